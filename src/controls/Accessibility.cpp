#include "controls/Accessibility.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QScrollBar>

namespace controls {
namespace {

constexpr const char* CaptionProperty = "dataCaption";

class DataLabelInterface : public QAccessibleWidget {
public:
    explicit DataLabelInterface(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText)
    {}
    QString text(QAccessible::Text kind) const override
    {
        const auto* label = static_cast<const QLabel*>(widget());
        if (kind != QAccessible::Name && kind != QAccessible::Value)
            return QAccessibleWidget::text(kind);
        const QString value = label->text().trimmed();
        if (kind == QAccessible::Value)
            return value;
        const QString caption = label->property(CaptionProperty).toString();
        return value.isEmpty() ? caption : caption + QStringLiteral(": ") + value;
    }
};

QAccessibleInterface* dataLabelFactory(const QString&, QObject* object)
{
    auto* label = qobject_cast<QLabel*>(object);
    if (label && label->property(CaptionProperty).isValid())
        return new DataLabelInterface(label);
    return nullptr;
}

}  // namespace

void markDataLabel(QLabel* label, const QString& caption)
{
    static const bool installed = [] {
        QAccessible::installFactory(dataLabelFactory);
        return true;
    }();
    Q_UNUSED(installed);
    label->setProperty(CaptionProperty, caption);
    // What people typed (a name, a reason) is shown as typed, never read as HTML.
    label->setTextFormat(Qt::PlainText);
}

void nameScrollBars(QAbstractScrollArea* area, const QString& caption)
{
    area->verticalScrollBar()->setAccessibleName(caption +
                                                 QStringLiteral(": przewijanie w pionie"));
    area->horizontalScrollBar()->setAccessibleName(caption +
                                                   QStringLiteral(": przewijanie w poziomie"));
}

}  // namespace controls
