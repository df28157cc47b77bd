// Widget tests need no display: the offscreen platform is chosen before the
// test main creates its application, also when the tests are only listed.
#include <QByteArray>
#include <QtGlobal>

namespace {

const bool kOffscreenChosen = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    return true;
}();

}  // namespace
