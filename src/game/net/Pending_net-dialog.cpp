// STAND-INS for procedures and controls owned by other parts of network play (the link life
// cycle, the chat frame, the voice transfer bars). Delete this file when the real ones land.
#include "game/net/DialogPelkin.h"
#include "game/window/Ostrel.h"

namespace gamewindow {

// Stand-ins: there is no chat frame yet.
QWidget *Ostrel::txtSendmessage() const { return nullptr; }
platform::RichTextBox *Ostrel::txtInMessage() const { return nullptr; }

} // namespace gamewindow
