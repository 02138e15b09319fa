#pragma once

#include <QComboBox>

/// An editable search box that also reports when its drop-down list has closed. The report
/// comes after the box has taken the chosen item, so the text it sees is the final one.
class SearchComboBox : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void hidePopup() override;

signals:
    void closedUp();
};
