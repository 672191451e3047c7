#include "support/itembuilder.h"
#include "support/testmain.h"

class TestDatebuckets : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeholder() {}
};

ORSENTA_TEST_MAIN(TestDatebuckets)
#include "tst_datebuckets.moc"
