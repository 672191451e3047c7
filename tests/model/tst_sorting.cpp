#include "support/itembuilder.h"
#include "support/testmain.h"

class TestSorting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeholder() {}
};

ORSENTA_TEST_MAIN(TestSorting)
#include "tst_sorting.moc"
