#pragma once
// The "OK" and "Anuluj" buttons at the bottom right of a dialog.
#include <QHBoxLayout>
#include <QPushButton>

namespace controls {

// Creates both buttons (named btnOK and btnAnuluj, neither taking Enter by itself) and
// returns the row that holds them.
inline QHBoxLayout* okCancelButtons(QPushButton*& ok, QPushButton*& anuluj)
{
    ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("btnOK"));
    anuluj = new QPushButton(QStringLiteral("Anuluj"));
    anuluj->setObjectName(QStringLiteral("btnAnuluj"));
    for (QPushButton* b : {ok, anuluj})
        b->setAutoDefault(false);
    auto* wiersz = new QHBoxLayout;
    wiersz->addStretch();
    wiersz->addWidget(ok);
    wiersz->addWidget(anuluj);
    return wiersz;
}

}  // namespace controls
