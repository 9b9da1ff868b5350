#include "controls/BoundTextEdit.h"

#include "controls/FieldBinder.h"
#include "db/DataSet.h"

namespace controls {

BoundTextEdit::BoundTextEdit(db::DataSet& set, const QString& field, QWidget* parent)
    : QPlainTextEdit(parent), set_(&set), field_(field)
{
    followCurrentRow(this, set, [this] { showField(); });
    connect(this, &QPlainTextEdit::textChanged, this, &BoundTextEdit::storeText);
}

void BoundTextEdit::showField()
{
    const db::Field* f = set_ && set_->active() && set_->recNo() > 0 ? set_->findField(field_) : nullptr;
    const QString text = f ? f->asString() : QString();
    if (text == toPlainText())
        return;
    showing_ = true;
    setPlainText(text);
    showing_ = false;
}

void BoundTextEdit::storeText()
{
    // Typing goes into the row only while it is being edited.
    if (!showing_ && !isReadOnly())
        writeToField(set_, field_, toPlainText());
}

}  // namespace controls
