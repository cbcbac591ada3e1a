// Must not compile: a Qt-free layer including a Qt header.
#include <QString>
