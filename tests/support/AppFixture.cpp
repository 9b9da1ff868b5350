#include "support/AppFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

namespace testsupport {

AppFixture::AppFixture(bool demo, bool withDatabase) : oldXdg_(qgetenv("XDG_DATA_HOME"))
{
    qputenv("XDG_DATA_HOME", data_.path().toUtf8());
    QDir().mkpath(settingsFolder());
    if (withDatabase) {
        db_ = std::make_unique<TestDatabase>(demo);
        const QString path = db_->path();
        const QString dir = path.left(path.lastIndexOf(u'/') + 1);
        writeIni("[FB]\nHost=localhost\nDir=" + dir.toUtf8() + "\nFile=TEST.FDB\nLastBackupDir=\n");
    }
    form = std::make_unique<MainWindow>(prompts);
    form->resize(1280, 800);
}

AppFixture::~AppFixture()
{
    form.reset();
    db_.reset();
    if (oldXdg_.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldXdg_);
}

void AppFixture::writeIni(const QByteArray& content) const
{
    QFile file(settingsFolder() + QStringLiteral("Halvane.ini"));
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

QByteArray AppFixture::readIni() const
{
    QFile file(settingsFolder() + QStringLiteral("Halvane.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool AppFixture::start()
{
    form->show();
    QApplication::setActiveWindow(form.get());
    if (!QTest::qWaitForWindowActive(form.get(), 2000))
        return false;
    // The connection starts 50 ms after the first activation.
    return QTest::qWaitFor([this] { return !form->PierwszaAktywacja && !form->timer_Start.isActive() &&
                                            form->aWyborBazyDanych->isEnabled(); }, 5000);
}

}  // namespace testsupport
