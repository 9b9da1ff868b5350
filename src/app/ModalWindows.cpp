#include "app/ModalWindows.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

namespace app {

bool closeModalWindows()
{
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->hide();
        if (QApplication::activeModalWidget() == modal)
            return false;  // it would not go; try again on the next step
    }
    return true;
}

}  // namespace app
