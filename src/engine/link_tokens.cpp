#include "engine/link_tokens.h"

#include "text/codepage.h"

namespace linktokens {

QString upperDescription(QByteArrayView description) {
    QString text = codepage::decode(description);
    for (QChar& ch : text)
        if (ch >= u'a' && ch <= u'z') ch = QChar(ch.unicode() - (u'a' - u'A'));
    return text;
}

bool isTorvik(const QString& upper) {
    return upper.contains(u"TORVIK");
}

bool isTorvikOrVmr4100(const QString& upper) {
    return isTorvik(upper) || upper.contains(u"VMR4100");
}

}  // namespace linktokens
