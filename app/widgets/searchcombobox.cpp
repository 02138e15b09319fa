#include "app/widgets/searchcombobox.h"

void SearchComboBox::hidePopup()
{
    QComboBox::hidePopup();
    QMetaObject::invokeMethod(this, &SearchComboBox::closedUp, Qt::QueuedConnection);
}
