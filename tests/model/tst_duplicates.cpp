#include "support/itembuilder.h"
#include "support/testmain.h"

class TestDuplicates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeholder() {}
};

ORSENTA_TEST_MAIN(TestDuplicates)
#include "tst_duplicates.moc"
