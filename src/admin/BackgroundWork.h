#pragma once
// Long work of the server's services run off the window's thread: the window keeps
// repainting, shows the busy pointer, and gets the work's lines as they come. No widgets of
// its own.
#include <QString>
#include <functional>
#include <optional>

namespace admin {

using LineSink = std::function<void(const QString& line)>;

// Runs `work` on a thread of its own and waits for it in an event loop; each line the work
// gives its sink reaches `onLine` on this thread. Gives back the failure's message (a
// db::Error's, or another exception's), or nothing when the work ended well.
std::optional<QString> runInBackground(const std::function<void(const LineSink&)>& work,
                                       const LineSink& onLine);

}  // namespace admin
