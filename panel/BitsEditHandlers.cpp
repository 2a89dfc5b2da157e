// The three bits fields: every change of a field's text, typed or set directly, runs the
// bits edit rule for that field, which repairs the text or brings back the last accepted
// one.
#include "PanelDlg.h"

#include "BitsCodec.h"
#include "BitsFieldText.h"

#include <QLineEdit>

void CPanelDlg::OnBitsEdited(ChannelControls& channel)
{
    const QByteArray text = controls::ToBitsText(channel.bits->text());
    const codec::BitsEdit edit = codec::ApplyBitsEditRule(text, channel.lastAcceptedBits);
    channel.lastAcceptedBits = edit.lastAccepted;
    if (edit.text != text)
        controls::SetFieldTextQuietly(channel.bits, edit.text);
}

// A direct setting is a change of the field's text even to the text it already shows, so
// the rule runs, nested, right here.
void CPanelDlg::SetBitsTextDirectly(ChannelControls& channel, const QByteArray& text)
{
    const QString shown = controls::FromBitsText(text);
    if (channel.bits->text() == shown)
        emit channel.bits->textChanged(shown);
    else
        channel.bits->setText(shown);
}
