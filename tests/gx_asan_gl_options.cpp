// Linked only into the programs that load Mesa: its driver leaks a few bytes at unload.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
