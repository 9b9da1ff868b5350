#include "controls/BoundTextEdit.h"

#include "db/DataSet.h"

namespace controls {

BoundTextEdit::BoundTextEdit(db::DataSet& set, const QString& field, QWidget* parent)
    : QPlainTextEdit(parent), pending_(*this, set, field)
{
    followCurrentRow(this, set, [this] { showField(); });
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!showing_ && !isReadOnly())
            pending_.typed();
    });
}

void BoundTextEdit::showField()
{
    const db::DataSet* set = pending_.dataSet();
    const db::Field* f =
        set && set->active() && set->recNo() > 0 ? set->findField(pending_.field()) : nullptr;
    const QString shown = f ? f->asString() : QString();
    if (pending_.pending() && hasFocus())
        return;
    pending_.discard();
    if (shown == toPlainText())
        return;
    showing_ = true;
    setPlainText(shown);
    showing_ = false;
}

void BoundTextEdit::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    writePending();
}

}  // namespace controls
