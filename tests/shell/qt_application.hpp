// The one QApplication of the shell test program, made before the first test
// (offscreen unless QT_QPA_PLATFORM says otherwise), and event-loop helpers.
#pragma once

#include <functional>

namespace glimora::test {

// Runs the event loop until the condition holds or the timeout passes;
// whether the condition held.
bool processEventsUntil(const std::function<bool()>& condition, int timeoutMilliseconds = 5000);

// Runs the event loop for about this long.
void processEventsFor(int milliseconds);

}  // namespace glimora::test
