#include "controls/BoundLineEdit.h"

#include "controls/FieldBinder.h"
#include "db/DataSet.h"

namespace controls {

BoundLineEdit::BoundLineEdit(db::DataSet& set, const QString& field, QWidget* parent)
    : QLineEdit(parent), set_(&set), field_(field)
{
    followCurrentRow(this, set, [this] { showField(); });
    connect(this, &QLineEdit::textEdited, this, &BoundLineEdit::storeText);
}

void BoundLineEdit::showField()
{
    const db::Field* f = set_ && set_->active() ? set_->findField(field_) : nullptr;
    if (f && f->size() > 0)
        setMaxLength(f->size());
    const QString text = f && set_->recNo() > 0 ? f->asString() : QString();
    if (text != this->text())
        setText(text);
}

void BoundLineEdit::storeText(const QString& text)
{
    writeToField(set_, field_, text);
}

}  // namespace controls
