#pragma once
// A dialog that asks for one value of a declared type ("STRING" or "CURRENCY").
#include "desk/Desk.h"

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
namespace controls { class Prompts; }

class TypedInputDialog : public QDialog {
    Q_OBJECT
public:
    explicit TypedInputDialog(controls::Prompts& prompts, QWidget* parent = nullptr);

    // Asks for the value and waits: the text after OK, nothing after Anuluj.
    std::optional<QString> ask(const desk::ValueRequest& request);
    // Shows the box without waiting; value() holds the text once it closed with OK.
    void open(const desk::ValueRequest& request);
    QString value() const { return Wartosc; }

    QString Label;
    QString Wartosc;
    QString Typ;
    int MaxDlugosc = 0;

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* btnOK;
    QPushButton* btnAnuluj;

    void UstawOK();
    void btnOKClick();
    // The typed text as a currency value (four decimal places); -1 when it is none.
    static double JakoKwota(const QString& text);

private:
    void prepare(const desk::ValueRequest& request);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool przepuscZnak(const QString& znak);

    controls::Prompts& prompts_;
};
