#pragma once
// Every message box, question, beep, file dialog, print dialog and shell "open" of the
// program goes through this one interface, so tests can answer in place of the user.
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

class QPrinter;
class QWidget;
namespace db { class Error; }

namespace controls {

enum class Icon { None, Information, Warning, Error, Question };

class Prompts {
public:
    virtual ~Prompts() = default;

    virtual void message(const QString& text, const QString& caption = {},
                         Icon icon = Icon::None) = 0;
    // A Yes/No question; true for Yes. With `defaultNo` Enter answers No (a question
    // before something that cannot be undone).
    virtual bool question(const QString& text, const QString& caption, bool defaultNo = false) = 0;
    virtual void beep() = 0;
    // Empty text when the user cancelled.
    virtual QString openFileName(const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    virtual QString saveFileName(const QString& caption, const QString& path,
                                 const QString& filter, const QString& defaultSuffix = {}) = 0;
    virtual QString folderName(const QString& caption, const QString& folder) = 0;
    // The shell's "open" of a web or mailto: address; false when the desktop could not open
    // it (no browser or mail program is set up).
    virtual bool openUrl(const QString& url) = 0;
    // The print dialog set up on `printer` (a printer, or a PDF file); false when the user
    // cancelled and nothing is to be printed.
    virtual bool choosePrinter(QPrinter& printer, const QString& caption) = 0;

    // The general error report: a failed operation stops and its message is shown. An
    // error of a connection that is gone goes to `connectionLost` instead, where it is set.
    void reportError(const std::exception& error);
    std::function<void(const db::Error&)> connectionLost;
    // Runs an operation; any error it raises is reported. False when it failed.
    bool guarded(const std::function<void()>& operation);
};

// The real dialogs of the desktop.
class DesktopPrompts : public Prompts {
public:
    explicit DesktopPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void message(const QString& text, const QString& caption, Icon icon) override;
    bool question(const QString& text, const QString& caption, bool defaultNo = false) override;
    void beep() override;
    QString openFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& path, const QString& filter,
                         const QString& defaultSuffix = {}) override;
    QString folderName(const QString& caption, const QString& folder) override;
    bool openUrl(const QString& url) override;
    bool choosePrinter(QPrinter& printer, const QString& caption) override;

private:
    QWidget* parent_;
};

}  // namespace controls
