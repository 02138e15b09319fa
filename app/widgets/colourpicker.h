#pragma once

#include <QColor>
#include <QComboBox>
#include <QPalette>

/// The colour a stored colour value stands for on this desktop: ordinary colours as they are,
/// system colours through the palette role that matches them. Invalid for "default" and "none".
QColor displayColour(quint32 value, const QPalette &palette);

/// A drop-down list of the named colours, each row a swatch and the colour's identifier.
/// The selected colour is a stored colour value (see colournames.h). A value that has no row
/// is kept as it is and shown by its name, so a restored colour is never lost.
class ColourPicker : public QComboBox
{
    Q_OBJECT
public:
    explicit ColourPicker(QWidget *parent = nullptr);

    quint32 selectedColour() const;
    /// Selects a colour from code; raises no `colourChanged`.
    void setSelectedColour(quint32 value);

signals:
    /// The user chose a colour.
    void colourChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    quint32 m_unlisted = 0;
};
