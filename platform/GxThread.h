// Starting a thread without an exception: std::thread reports a thread the system would not
// make only by throwing, and the engine's callers refuse their work instead.
#pragma once

#include <functional>
#include <thread>

// Starts body on thread; false (with the system's error number in *error when known) when the
// thread could not be made. thread is left as it was then.
bool GxStartThread(std::thread& thread, std::function<void()> body, int* error = nullptr);
