// Known answers for what a conversion stores: the key-transfer frame that the
// engine sends, with its direction byte, and the converted file's bytes, for
// one fixed input and one fixed card. A round trip cannot show a swapped
// direction or another transformation; files converted by one version must
// be read by the next. The converted bytes were recomputed with an independent
// DES: a CFB-8 stream from a zero register under the key derived from alice's
// key, the IDs "sales" and "bob", the transfer kind and the stage.
#include "ConversionFixture.h"

#include "DriverContract.h"

#include <QCryptographicHash>
#include <QTest>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::agent::test;

namespace {

namespace packet = veyra::driver::packet;

constexpr int kInputLength = 600;
constexpr uint8_t kKeyTransfer = 0x33;
constexpr int kKeyTransferFrameLength = 46;

// The key-transfer frames sent on their way to the card, in order.
class KeyTransferFrames {
public:
    KeyTransferFrames()
    {
        kernel_.beforeCall = [this](const kernel::ForwardingKernel::Call &call) {
            if (call.kind == kernel::ForwardingKernel::Call::Kind::Control && call.code == driver::kSendCommand &&
                call.input[packet::kData] == kKeyTransfer) {
                frames << QByteArray(reinterpret_cast<const char *>(call.input + packet::kData),
                                     kKeyTransferFrameLength)
                              .toHex();
            }
        };
    }

    QList<QByteArray> frames;

private:
    kernel::ForwardingKernel kernel_;
};

} // namespace

class ConversionKnownAnswerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetUpApplication(); }

    // Main card to user card: transfer kind 1, group "sales", user "bob",
    // direction 0 (to the lower card) or 1 (back), stage 3, then 1, 1 and eight
    // zero bytes. 600 bytes are whole 8-byte groups: no stage-2 setting.
    void aFixedInputConvertsToFixedBytes()
    {
        ConversionFixture f;
        f.log.reset();
        const QByteArray input = Pattern(kInputLength);
        const QString source = f.makeFile(QStringLiteral("In/known.bin"), input);

        KeyTransferFrames toLower;
        QVERIFY(f.run(f.job({source}, f.makeFolder(QStringLiteral("Lower")), kDirectionToLower)));
        const QByteArray lower = f.contents(QStringLiteral("Lower/known.bin"));
        QCOMPARE(toLower.frames, QList<QByteArray>{"3301"
                                                   "73616c65730000000000000000000000"
                                                   "626f6200000000000000000000000000"
                                                   "00030101"
                                                   "0000000000000000"});
        QCOMPARE(lower.left(16).toHex(), QByteArray("305e8be8fac4a6bc8ac0ecf8104f543e"));
        QCOMPARE(QCryptographicHash::hash(lower, QCryptographicHash::Sha256).toHex(), QByteArray("6fd30edac9ca19f00eef6f0ea769197878422ccc51ec84e31ca9513e88af9543"));

        KeyTransferFrames toUpper;
        QVERIFY(f.run(f.job({QStringLiteral("C:\\Lower\\known.bin")}, f.makeFolder(QStringLiteral("Upper")),
                            kDirectionToUpper)));
        QCOMPARE(toUpper.frames, QList<QByteArray>{"3301"
                                                   "73616c65730000000000000000000000"
                                                   "626f6200000000000000000000000000"
                                                   "01030101"
                                                   "0000000000000000"});
        QCOMPARE(f.contents(QStringLiteral("Upper/known.bin")), input);
    }
};

QTEST_MAIN(ConversionKnownAnswerTest)
#include "ConversionKnownAnswerTest.moc"
