#include "controls/DBEdit.h"

#include "controls/Powiazanie.h"
#include "db/DataSet.h"

namespace controls {

DBEdit::DBEdit(db::DataSet& set, const QString& field, QWidget* parent)
    : QLineEdit(parent), set_(&set), field_(field)
{
    sledzBiezacyWiersz(this, set, [this] { showField(); });
    connect(this, &QLineEdit::textEdited, this, &DBEdit::storeText);
}

void DBEdit::showField()
{
    const db::Field* f = set_ && set_->active() ? set_->findField(field_) : nullptr;
    if (f && f->size() > 0)
        setMaxLength(f->size());
    const QString text = f && set_->recNo() > 0 ? f->asString() : QString();
    if (text != this->text())
        setText(text);
}

void DBEdit::storeText(const QString& text)
{
    zapiszDoPola(set_, field_, text);
}

}  // namespace controls
