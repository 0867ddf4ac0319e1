#pragma once

// A Presenter for tests: records each message instead of showing a box, and
// can run a hook while the "box" would be open.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kit/kit_state.h"

namespace kit85::testing {

class RecordingPresenter : public Presenter {
public:
    struct Shown {
        std::string text, title;
        Icon icon;
    };
    void message(std::string_view text, std::string_view title, Icon icon) override {
        shown.push_back({std::string(text), std::string(title), icon});
        if (onMessage) onMessage(shown.back());
    }
    std::vector<Shown> shown;
    std::function<void(const Shown&)> onMessage;  // runs while the "box" is open
};

}  // namespace kit85::testing
