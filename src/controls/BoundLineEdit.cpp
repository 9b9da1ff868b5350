#include "controls/BoundLineEdit.h"

#include "db/DataSet.h"

namespace controls {

BoundLineEdit::BoundLineEdit(db::DataSet& set, const QString& field, QWidget* parent)
    : QLineEdit(parent), pending_(*this, set, field)
{
    followCurrentRow(this, set, [this] { showField(); });
    connect(this, &QLineEdit::textEdited, this, [this] { pending_.typed(); });
    connect(this, &QLineEdit::editingFinished, this, [this] { writePending(); });
}

void BoundLineEdit::showField()
{
    const db::DataSet* set = pending_.dataSet();
    const db::Field* f = set && set->active() ? set->findField(pending_.field()) : nullptr;
    if (f && f->size() > 0)
        setMaxLength(f->size());
    const QString shown = f && set->recNo() > 0 ? f->asString() : QString();
    // A refused text stays in the box while the user is at it.
    if (pending_.pending() && hasFocus())
        return;
    pending_.discard();
    if (shown != text())
        setText(shown);
}

}  // namespace controls
