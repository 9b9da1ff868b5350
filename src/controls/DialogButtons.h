#pragma once
// The "OK" and "Anuluj" buttons at the bottom right of a dialog.
#include <QHBoxLayout>
#include <QPushButton>

namespace controls {

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
