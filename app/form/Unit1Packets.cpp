#include "app/form/Unit1.h"

#include "app/desktop/uiservices.h"
#include "app/form/viewcontents.h"
#include "app/widgets/itemlistwidget.h"
#include "packets/packets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>

// The command packets: batches of game commands built from the item list or the lore view
// and put on the clipboard for pasting into the game client.

namespace {

/// Every entry of the item list in list order, selected or not.
QStringList listEntries(const TForm1 &form)
{
    return form.ListBox1->entries();
}

/// Ends every packet command: the packet's lines and one empty line stand in the packet
/// buffer `Memo2`, and the clipboard receives every line followed by CR LF, then one more
/// CR LF (a lone CR LF for a packet without lines).
void PutPacketOnClipboard(TForm1 &form, const QStringList &packet)
{
    setBufferLines(form.Memo2, packet + QStringList{QString()});
    form.uiServices().setClipboardText(packetClipboardText(packet));
    form.uiServices().announce(packetSpoken(packet.size()));
}

/// The lore quote buttons: every non-empty line of the lore view behind the command word.
void quoteLore(TForm1 &form, QStringView commandWord)
{
    form.SwitchKeyboardLayout();
    PutPacketOnClipboard(form, buildLoreQuotePacket(bufferLines(form.memo3), commandWord));
}

} // namespace

void TForm1::Button4Click()
{
    SwitchKeyboardLayout();
    PutPacketOnClipboard(*this,
                         buildPrefixPacket(listEntries(*this), ComboBox1->currentText(),
                                           CheckBox1->isChecked(), ComboBox3->currentText()));
}

void TForm1::Button5Click()
{
    SwitchKeyboardLayout();
    PutPacketOnClipboard(*this,
                         buildExchangePacket(listEntries(*this), ComboBox2->currentText(),
                                             ComboBox4->currentText()));
}

void TForm1::Button10Click()
{
    quoteLore(*this, LoreQuoteWord::Gg);
}

void TForm1::Button11Click()
{
    quoteLore(*this, LoreQuoteWord::Sg);
}

void TForm1::Button12Click()
{
    quoteLore(*this, LoreQuoteWord::G);
}

void TForm1::Button13Click()
{
    quoteLore(*this, LoreQuoteWord::Kg);
}

void TForm1::Button14Click()
{
    quoteLore(*this, LoreQuoteWord::Bolt);
}

void TForm1::Button15Click()
{
    SwitchKeyboardLayout();
    PutPacketOnClipboard(*this, buildSortPacket(listEntries(*this), ComboBox1->currentText()));
}
