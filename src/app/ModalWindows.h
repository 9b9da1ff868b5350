#pragma once
// Closing the open modal windows from outside, as when the program ends or its connection
// is gone.

namespace app {

// Ends every open modal window as cancelled, the top one first; a window that will not go
// yet (work that must stop first) is left for the next call. True when none is open.
bool closeModalWindows();

}  // namespace app
