#pragma once
// The "OK" and "Anuluj" buttons at the bottom right of a dialog.
#include <QHBoxLayout>
#include <QPushButton>

namespace controls {

// A button named `name` (its objectName) that a screen reader reads as its text, or as
// `accessibleName` where the text alone says too little; it takes Enter only with the focus.
inline QPushButton* namedButton(const char* name, const QString& text,
                                const QString& accessibleName = {})
{
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(accessibleName.isEmpty() ? text : accessibleName);
    button->setAutoDefault(false);
    return button;
}

// Creates both buttons (named okButton and cancelButton, neither taking Enter by itself) and
// returns the row that holds them.
inline QHBoxLayout* okCancelButtons(QPushButton*& ok, QPushButton*& cancel)
{
    ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("okButton"));
    cancel = new QPushButton(QStringLiteral("Anuluj"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* b : {ok, cancel})
        b->setAutoDefault(false);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

}  // namespace controls
