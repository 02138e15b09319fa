#include "app/widgets/helpview.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

HelpView::HelpView(const QStringList &lines, QWidget *parent)
    : QDialog(parent), m_text(new QPlainTextEdit(this))
{
    setObjectName(u"Help"_s);
    setWindowTitle(u"Справка Tarnbook"_s);
    setAccessibleName(windowTitle());
    m_text->setObjectName(u"HelpText"_s);
    m_text->setReadOnly(true);
    // Read-only text keeps a caret, so the arrow keys move through it line by line.
    m_text->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_text->setTabChangesFocus(true);
    m_text->setAccessibleName(u"Справка: клавиши и как пользоваться программой"_s);
    m_text->setAccessibleDescription(u"Только для чтения. Escape закрывает справку."_s);
    m_text->setPlainText(lines.join(u'\n'));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    resize(640, 520);
    m_text->setFocus();
}
