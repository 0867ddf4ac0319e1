#pragma once

// How the kit tells its user something: a message with an OK button. The
// window shows a modal box; the headless runner prints it and lists it in its
// report. The instruction set reports "invalid code" through this port.

#include <string_view>

namespace kit85 {

enum class Icon { Exclamation, Information };

class Presenter {
public:
    virtual ~Presenter() = default;
    virtual void message(std::string_view text, std::string_view title, Icon icon) = 0;
};

}  // namespace kit85
