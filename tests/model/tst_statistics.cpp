#include "support/itembuilder.h"
#include "support/testmain.h"

class TestStatistics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeholder() {}
};

ORSENTA_TEST_MAIN(TestStatistics)
#include "tst_statistics.moc"
