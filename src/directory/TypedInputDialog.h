#pragma once
// A dialog that asks for one value of a declared type: any text, or an amount.
#include "desk/Desk.h"

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
namespace controls {
class Prompts;
}

class TypedInputDialog : public QDialog {
    Q_OBJECT
public:
    explicit TypedInputDialog(controls::Prompts& prompts, QWidget* parent = nullptr);

    // Asks for the value and waits: the text after OK, nothing after Anuluj.
    std::optional<QString> ask(const desk::ValueRequest& request);
    // Shows the box without waiting; value() holds the text once it closed with OK.
    void open(const desk::ValueRequest& request);
    QString value() const { return value_; }

    // The text as an amount of four decimal places; -1 when it is none, that is unless it
    // is digits with at most one decimal separator.
    static double amountOf(const QString& text);

private:
    void prepare(const desk::ValueRequest& request);
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void updateOk();
    void confirm();
    bool acceptsCharacter(const QString& character) const;

    controls::Prompts& prompts_;
    QString prompt_;
    QString value_;
    desk::ValueType type_ = desk::ValueType::Text;
    int maxLength_ = 0;

    QLabel* promptLabel = nullptr;
    QLineEdit* valueEdit = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};
