#pragma once

// How a pane asks for a key's work, without a toolkit and without the window:
// `work` runs as the kit's keys run theirs. It is refused while another key's
// work or a run goes on; a KitError it throws is reported as the key's
// failure; the study view marks the bytes it changed, and everything is
// redrawn afterwards. The kit window hands each pane that needs it one of
// these.

#include <functional>

namespace kit85 {

using KeyWork = std::function<void(const std::function<void()>& work)>;

}  // namespace kit85
