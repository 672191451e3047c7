#include "support/itembuilder.h"
#include "support/testmain.h"

class TestDisplaytext : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeholder() {}
};

ORSENTA_TEST_MAIN(TestDisplaytext)
#include "tst_displaytext.moc"
