// A SessionHost for tests: records every call the session makes and answers CurrentTime with a
// value the test sets. `log` keeps the order of the calls, one letter each:
//   T StartMoveTimer, S StopMoveTimer, P RequestRepaint, M ShowMessage, C CurrentTime.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/session.h"

struct ShownMessage {
    std::string text;
    std::string caption;
};

class FakeHost : public SessionHost {
  public:
    void StartMoveTimer() override {
        log += 'T';
        ++timer_starts;
        timer_running = true;
    }
    void StopMoveTimer() override {
        log += 'S';
        ++timer_stops;
        timer_running = false;
    }
    void RequestRepaint() override {
        log += 'P';
        ++repaints;
    }
    // Runs `while_message_open` before returning, as a modal box runs a nested message loop.
    void ShowMessage(const char* text, const char* caption) override {
        log += 'M';
        messages.push_back({text, caption});
        if (while_message_open) {
            while_message_open();
        }
    }
    std::uint32_t CurrentTime() override {
        log += 'C';
        return time;
    }

    // Forgets the calls made so far; the time and the timer state stay.
    void ClearCalls() {
        log.clear();
        timer_starts = timer_stops = repaints = 0;
        messages.clear();
    }

    std::uint32_t time = 0;
    std::function<void()> while_message_open;

    std::string log;
    int timer_starts = 0;
    int timer_stops = 0;
    int repaints = 0;
    bool timer_running = false;  // as a window timer would be after the calls so far
    std::vector<ShownMessage> messages;
};
