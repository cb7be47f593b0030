/* A stand-in for the programs the engine starts (editors, the script compiler). It appends to
   the file named by GX_STUB_OUT its own name, every argument on a line of its own, then the
   numbers of the descriptors it holds open, and exits with the code in GX_STUB_EXIT. */
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    const char* out = getenv("GX_STUB_OUT");
    const char* code = getenv("GX_STUB_EXIT");
    /* The descriptors are listed before the output file opens, so it is not among them. */
    char fds[1024] = "";
    size_t used = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (dir) {
        const int own = dirfd(dir);
        struct dirent* e;
        while ((e = readdir(dir)) != NULL) {
            if (e->d_name[0] == '.' || atoi(e->d_name) == own) continue;
            int n = snprintf(fds + used, sizeof fds - used, "%s ", e->d_name);
            if (n < 0 || (size_t)n >= sizeof fds - used) break;
            used += (size_t)n;
        }
        closedir(dir);
    }
    if (out) {
        FILE* f = fopen(out, "a");
        if (f) {
            fprintf(f, "prog:%s\n", argv[0]);
            for (int i = 1; i < argc; ++i) fprintf(f, "arg:%s\n", argv[i]);
            fprintf(f, "fds:%s\n", fds);
            fclose(f);
        }
    }
    return code ? atoi(code) : 0;
}
