#pragma once
// Recognising the simulator by the description its bridge reports.

#include <QByteArrayView>
#include <QString>

namespace linktokens {

// The listed description decoded from the code page with a-z turned into A-Z
// and every other character left alone.
QString upperDescription(QByteArrayView description);

// The watchdog's token, and the one the open also accepts.
bool isTorvik(const QString& upper);
bool isTorvikOrVmr4100(const QString& upper);

}  // namespace linktokens
