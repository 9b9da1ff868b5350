#include "controls/FieldBinder.h"

#include "controls/Prompts.h"
#include "db/DataSet.h"
#include "db/Error.h"

#include <QWidget>

namespace controls {

void followCurrentRow(QObject* control, db::DataSet& set, std::function<void()> show)
{
    QObject::connect(&set, &db::DataSet::afterScroll, control, show);
    QObject::connect(&set, &db::DataSet::rowsReset, control, show);
    QObject::connect(&set, &db::DataSet::rowChanged, control, [&set, show](int row) {
        if (row == set.recNo() - 1)
            show();
    });
}

PendingText::PendingText(QWidget& box, db::DataSet& set, const QString& field)
    : box_(box), set_(&set), field_(field)
{
}

bool PendingText::write(const QString& text)
{
    if (!pending_ || writing_)
        return !pending_;
    if (!set_ || !set_->editing()) {
        pending_ = false;  // typing goes into the row only while it is being edited
        return true;
    }
    db::Field* target = set_->findField(field_);
    if (!target) {
        pending_ = false;
        return true;
    }
    writing_ = true;
    pending_ = false;  // so the box shows the field as stored
    try {
        target->setAsString(text);
        writing_ = false;
        return true;
    } catch (const db::Error& error) {
        pending_ = true;
        if (!prompts_) {
            writing_ = false;
            throw;
        }
        prompts_->beep();
        prompts_->message(error.message(), {}, Icon::Warning);
        box_.setFocus();
        writing_ = false;
        return false;
    }
}

}  // namespace controls
