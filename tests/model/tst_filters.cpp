#include "support/itembuilder.h"
#include "support/testmain.h"

class TestFilters : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeholder() {}
};

ORSENTA_TEST_MAIN(TestFilters)
#include "tst_filters.moc"
