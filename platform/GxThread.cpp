#include "platform/GxThread.h"

#include <exception>
#include <system_error>

bool GxStartThread(std::thread& thread, std::function<void()> body, int* error)
{
    try {
        thread = std::thread(std::move(body));
        return true;
    } catch (const std::system_error& e) {
        if (error) *error = e.code().value();
    } catch (const std::exception&) {
        // Out of memory for the thread's own state.
    }
    return false;
}
