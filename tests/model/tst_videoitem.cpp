#include "support/itembuilder.h"
#include "support/testmain.h"

class TestVideoItem : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeholder() {}
};

ORSENTA_TEST_MAIN(TestVideoItem)
#include "tst_videoitem.moc"
