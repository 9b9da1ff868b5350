#include "personnel/CsvProgressDialog.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int RefreshMs = 100;
}

CsvProgressDialog::CsvProgressDialog(const QString& title, QWidget* parent, int showAfterMs)
    : QDialog(parent), showAfterMs_(showAfterMs)
{
    setObjectName(QStringLiteral("CsvProgressDialog"));
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    lineCountLabel = new QLabel(QStringLiteral("Wierszy: 0"));
    lineCountLabel->setObjectName(QStringLiteral("lineCountLabel"));
    lineCountLabel->setMinimumWidth(240);
    stopButton = new QPushButton(QStringLiteral("Przerwij"));
    stopButton->setObjectName(QStringLiteral("stopButton"));
    connect(stopButton, &QPushButton::clicked, this, &CsvProgressDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(stopButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lineCountLabel);
    layout->addLayout(buttons);
    running_.start();
}

bool CsvProgressDialog::advance(int lines)
{
    const qint64 now = running_.elapsed();
    if (now - lastShownMs_ < RefreshMs)
        return !stopped_;
    lastShownMs_ = now;
    lineCountLabel->setText(QStringLiteral("Wierszy: %1").arg(lines));
    if (!isVisible() && now >= showAfterMs_)
        show();
    if (isVisible())
        QCoreApplication::processEvents();
    return !stopped_;
}

void CsvProgressDialog::reject()
{
    // Closing the window stops the work; the caller closes it afterwards.
    stopped_ = true;
}

void CsvProgressDialog::done(int)
{
    stopped_ = true;
}
