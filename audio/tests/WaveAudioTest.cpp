// The wave reading rules, the samples the player sends and the notification
// sound's choice, with wave images written byte by byte here; and a sound
// played through SDL's disk output, read back from the file it writes.
#include "CWaveAudio.h"
#include "NotificationSound.h"
#include "ResourceBytes.h"
#include "formats/SoundListFormat.h"
#include "formats/WaveFormat.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Formats::Wave::Format;

namespace {

Bytes Chunk(const char* id, const Bytes& body, bool pad = true)
{
    Bytes c;
    c.Text(std::string(id, 4)).U32(uint32_t(body.b.size())).Add(body);
    if (pad && body.b.size() % 2)
        c.U8(0);
    return c;
}
Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, int extra = -1)
{
    Bytes f;
    const uint16_t align = uint16_t(channels * bits / 8);
    f.U16(tag).U16(channels).U32(rate).U32(rate * align).U16(align).U16(bits);
    if (extra >= 0)
        f.U16(uint16_t(extra));
    return Chunk("fmt ", f);
}
Bytes Riff(const Bytes& chunks, const char* form = "WAVE", int64_t sizeDelta = 0)
{
    Bytes r;
    r.Text("RIFF").U32(uint32_t(4 + chunks.b.size() + sizeDelta)).Text(form).Add(chunks);
    return r;
}
Bytes Data(std::initializer_list<uint8_t> samples, bool pad = true)
{
    Bytes d;
    for (uint8_t s : samples)
        d.U8(s);
    return Chunk("data", d, pad);
}
QByteArray Q(const Bytes& b) { return QByteArray(reinterpret_cast<const char*>(b.b.data()), qsizetype(b.b.size())); }

std::span<const uint8_t> Span(const QByteArray& a)
{
    return {reinterpret_cast<const uint8_t*>(a.constData()), size_t(a.size())};
}

} // namespace

class WaveAudioTest : public QObject {
    Q_OBJECT

private slots:
    void readRiff_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QString>("error");       // part of the message; empty: read
        QTest::addColumn<QByteArray>("samples");  // the data chunk read

        const Bytes pcm = Fmt(1, 1, 22050, 8);
        const Bytes d = Data({1, 2, 3, 4});
        QTest::newRow("16-byte fmt") << Q(Riff(Bytes().Add(pcm).Add(d))) << "" << QByteArray("\1\2\3\4");
        QTest::newRow("18-byte fmt") << Q(Riff(Bytes().Add(Fmt(1, 2, 44100, 16, 0)).Add(d))) << ""
                                     << QByteArray("\1\2\3\4");
        QTest::newRow("odd chunk padded before fmt")
            << Q(Riff(Bytes().Add(Chunk("LIST", Bytes().Text("abc"))).Add(pcm).Add(d))) << ""
            << QByteArray("\1\2\3\4");
        QTest::newRow("odd data, pad byte missing at the end")
            << Q(Riff(Bytes().Add(pcm).Add(Data({9, 8, 7}, false)))) << "" << QByteArray("\x09\x08\x07");
        QTest::newRow("data before fmt is not seen")
            << Q(Riff(Bytes().Add(d).Add(pcm))) << "no \"data\" chunk after the \"fmt \" chunk" << QByteArray();
        QTest::newRow("data before and after fmt: the later one")
            << Q(Riff(Bytes().Add(Data({5, 5})).Add(pcm).Add(Data({6, 6})))) << "" << QByteArray("\6\6");
        QTest::newRow("second fmt is an ordinary chunk")
            << Q(Riff(Bytes().Add(pcm).Add(Fmt(1, 2, 8000, 16)).Add(d))) << "" << QByteArray("\1\2\3\4");
        QTest::newRow("no fmt") << Q(Riff(Bytes().Add(d))) << "no \"fmt \" chunk" << QByteArray();
        QTest::newRow("fmt of 14 bytes")
            << Q(Riff(Bytes().Add(Chunk("fmt ", Bytes().U32(1).U32(2).U32(3).U16(4))).Add(d)))
            << "shorter than 16" << QByteArray();
        QTest::newRow("RIFX") << QByteArray("RIFX\4\0\0\0WAVE") << "not a RIFF file" << QByteArray();
        QTest::newRow("shorter than a RIFF header") << QByteArray("RIFF\4\0\0\0WA") << "not a RIFF file"
                                                    << QByteArray();
        QTest::newRow("form AVI") << Q(Riff(Bytes().Add(pcm).Add(d), "AVI ")) << "not of form WAVE" << QByteArray();
        QTest::newRow("RIFF size past the file") << Q(Riff(Bytes().Add(pcm).Add(d), "WAVE", 1))
                                                 << "does not match the file" << QByteArray();
        QTest::newRow("RIFF size 0xFFFFFFFF") << Q(Bytes().Text("RIFF").U32(0xFFFFFFFF).Text("WAVE").Add(pcm).Add(d))
                                              << "does not match the file" << QByteArray();
        Bytes truncated = Riff(Bytes().Add(pcm).Text("data").U32(100).U32(0));
        QTest::newRow("data runs past the RIFF chunk") << Q(truncated) << "runs past the RIFF chunk" << QByteArray();
        Bytes huge = Riff(Bytes().Add(pcm).Text("data").U32(0xFFFFFFFF).U32(0));
        QTest::newRow("chunk size 0xFFFFFFFF") << Q(huge) << "runs past the RIFF chunk" << QByteArray();
        QTest::newRow("chunk header cut") << Q(Riff(Bytes().Add(pcm).Text("dat"))) << "chunk header at 36"
                                          << QByteArray();
        Bytes big = Riff(Bytes().Add(pcm).Add(Chunk("data", Bytes().Text(std::string(16u << 20, 'x')))));
        QTest::newRow("over the size bound") << Q(big) << "over the limit" << QByteArray();
    }
    void readRiff()
    {
        QFETCH(QByteArray, image);
        QFETCH(QString, error);
        QFETCH(QByteArray, samples);
        std::string why;
        const auto read = Formats::Wave::Read(Span(image), &why);
        if (error.isEmpty()) {
            QVERIFY2(read, why.c_str());
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(read->samples.data()), qsizetype(read->samples.size())),
                     samples);
            QVERIFY(read->samples.data() >= Span(image).data()
                    && read->samples.data() + read->samples.size() <= Span(image).data() + image.size());
        } else {
            QVERIFY(!read);
            QVERIFY2(QString::fromStdString(why).contains(error), why.c_str());
        }
    }

    void playableFormats_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("alignDelta");
        QTest::addColumn<bool>("playable");
        QTest::newRow("8-bit mono 22.05 kHz") << 1 << 1 << 22050 << 8 << 0 << true;
        QTest::newRow("16-bit stereo 44.1 kHz") << 1 << 2 << 44100 << 16 << 0 << true;
        QTest::newRow("16-bit 8 channels 7 Hz") << 1 << 8 << 7 << 16 << 0 << true;
        QTest::newRow("24-bit") << 1 << 1 << 22050 << 24 << 0 << false;
        QTest::newRow("float") << 3 << 1 << 22050 << 16 << 0 << false;
        QTest::newRow("ADPCM") << 2 << 1 << 22050 << 8 << 0 << false;
        QTest::newRow("no channels") << 1 << 0 << 22050 << 8 << 0 << false;
        QTest::newRow("9 channels") << 1 << 9 << 22050 << 8 << 0 << false;
        QTest::newRow("rate 0") << 1 << 1 << 0 << 8 << 0 << false;
        QTest::newRow("rate past the bound") << 1 << 1 << 384001 << 8 << 0 << false;
        QTest::newRow("block alignment off") << 1 << 2 << 22050 << 16 << 1 << false;
    }
    void playableFormats()
    {
        QFETCH(int, tag);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(int, bits);
        QFETCH(int, alignDelta);
        QFETCH(bool, playable);
        Format f;
        f.formatTag = uint16_t(tag);
        f.channels = uint16_t(channels);
        f.samplesPerSecond = uint32_t(rate);
        f.bitsPerSample = uint16_t(bits);
        f.blockAlign = uint16_t(channels * bits / 8 + alignDelta);
        QCOMPARE(Formats::Wave::WhyUnplayable(f).empty(), playable);
    }

    // Expected values worked out by hand: 8-bit x is (x - 128) * 256; a level
    // scales by level / 65535, cut toward zero.
    void outputSamples()
    {
        Formats::Wave::Image image;
        image.format = {1, 1, 22050, 22050, 1, 8};
        const uint8_t eight[] = {0x00, 0x80, 0xFF, 0x7F};
        image.samples = eight;
        QCOMPARE(CWaveAudio::OutputSamples(image, 0xFFFFFFFF), (std::vector<int16_t>{-32768, 0, 32512, -256}));
        QCOMPARE(CWaveAudio::OutputSamples(image, 32765 * 0x10001u), (std::vector<int16_t>{-16382, 0, 16254, -127}));
        QCOMPARE(CWaveAudio::OutputSamples(image, 0), (std::vector<int16_t>{0, 0, 0, 0}));

        // 16-bit stereo, left and right at their own levels; the cut frame goes.
        image.format = {1, 2, 8000, 32000, 4, 16};
        const uint8_t sixteen[] = {0xE8, 0x03, 0x18, 0xFC, 0x00, 0x80, 0xFF, 0x7F, 0x01};
        image.samples = sixteen;
        QCOMPARE(CWaveAudio::OutputSamples(image, 65530u | (6553u << 16)),
                 (std::vector<int16_t>{999, -99, -32765, 3276}));
    }

    void soundChoice_data()
    {
        QTest::addColumn<QByteArray>("settings"); // on|name|path|volume|system
        QTest::addColumn<int>("source");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("level");           // -1: no SetVolume
        QTest::newRow("off") << QByteArray("0|Tibetan Bell||7|1") << int(SoundChoice::kNone) << QByteArray() << -1;
        QTest::newRow("built-in by name") << QByteArray("1|Wood Block||7|1") << int(SoundChoice::kResource)
                                          << QByteArray("WOODBLOCK") << -1;
        QTest::newRow("a file path over the name") << QByteArray("1|Wood Block|/x/s\xE9.wav|7|1")
                                                   << int(SoundChoice::kFile) << QByteArray("/x/s\xC3\xA9.wav") << -1;
        QTest::newRow("unknown name: the last pair") << QByteArray("1|Gong||7|1") << int(SoundChoice::kResource)
                                                     << QByteArray("CHIME") << -1;
        QTest::newRow("letter case differs: the last pair") << QByteArray("1|wood block||7|1")
                                                            << int(SoundChoice::kResource) << QByteArray("CHIME") << -1;
        QTest::newRow("trailing space differs") << QByteArray("1|Wood Block ||7|1") << int(SoundChoice::kResource)
                                                << QByteArray("CHIME") << -1;
        QTest::newRow("Windows-1252 byte matches") << QByteArray("1|Caf\xE9||7|1") << int(SoundChoice::kResource)
                                                   << QByteArray("CAFE") << -1;
        QTest::newRow("volume 10") << QByteArray("1|Wood Block||10|0") << int(SoundChoice::kResource)
                                   << QByteArray("WOODBLOCK") << 65530;
        QTest::newRow("volume 0") << QByteArray("1|Wood Block||0|0") << int(SoundChoice::kResource)
                                  << QByteArray("WOODBLOCK") << 0;
        QTest::newRow("volume 3") << QByteArray("1||/a.wav|3|0") << int(SoundChoice::kFile) << QByteArray("/a.wav")
                                  << 19659;
        QTest::newRow("volume 11 stays loudest") << QByteArray("1|Wood Block||11|0") << int(SoundChoice::kResource)
                                                 << QByteArray("WOODBLOCK") << 65530;
        QTest::newRow("volume -1 stays silent") << QByteArray("1|Wood Block||-1|0") << int(SoundChoice::kResource)
                                                << QByteArray("WOODBLOCK") << 0;
    }
    void soundChoice()
    {
        QFETCH(QByteArray, settings);
        QFETCH(int, source);
        QFETCH(QByteArray, name);
        QFETCH(int, level);
        const QList<QByteArray> f = settings.split('|');
        NotificationSoundSettings s;
        s.soundOn = f[0].toInt();
        s.displayName = f[1].toStdString();
        s.soundPath = f[2].toStdString();
        s.volume = f[3].toInt();
        s.useSystemVolume = f[4].toInt();
        const Bytes list = Bytes().Text(std::string("BELL\0Tibetan Bell\0WOODBLOCK\0Wood Block\0CAFE\0Caf\xE9\0"
                                                    "CHIME\0Rising Chime\0",
                                                    68));
        const SoundChoice choice = NotificationSound::Choose(s, list.b);
        QCOMPARE(int(choice.source), source);
        QCOMPARE(QByteArray::fromStdString(choice.name), name);
        QCOMPARE(choice.setVolume ? int(choice.level) : -1, level);
        // With no sound list there is nothing to play by name.
        if (s.soundPath.empty())
            QCOMPARE(int(NotificationSound::Choose(s, {}).source), int(SoundChoice::kNone));
    }

    // A wave file played through SDL's disk output: the file it writes
    // holds the samples at the level asked for; the player and its device
    // are gone afterwards; files that are no playable wave start nothing.
    void playThroughDiskOutput()
    {
        QTemporaryDir dir;
        const QString output = dir.filePath("out.raw");
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", output.toUtf8());
        QVERIFY(CWaveAudio::CanPlay(CWaveAudio::kFormat2M08) == CWaveAudio::kFormat2M08);

        // 0.25 s of 16-bit mono at 8 kHz: a ramp that never repeats a value.
        Bytes samples;
        std::vector<int16_t> expected;
        for (int i = 0; i < 2000; ++i) {
            const int16_t s = int16_t(i * 16 - 16000);
            samples.I16(s);
            const int32_t scaled = int32_t(s) * 32765;
            expected.push_back(int16_t(scaled / 65535)); // C++ division cuts toward zero
        }
        QFile wave(dir.filePath("ramp.wav"));
        QVERIFY(wave.open(QIODevice::WriteOnly));
        wave.write(Q(Riff(Bytes().Add(Fmt(1, 1, 8000, 16)).Add(Chunk("data", samples)))));
        wave.close();
        QFile bad(dir.filePath("bad.wav"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(Q(Riff(Bytes().Add(Data({1, 2})).Add(Fmt(1, 1, 8000, 8)))));
        bad.close();

        const int threadsBefore = QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
        for (const QString& path : {bad.fileName(), dir.path(), dir.filePath("missing.wav")}) {
            CWaveAudio* player = CWaveAudio::PlayerFromFile(path.toStdString());
            QVERIFY(player);
            QCOMPARE(player->Play(), 0);
        }
        QVERIFY(!QFile::exists(output)); // no device was opened for them
        CWaveAudio* player = CWaveAudio::PlayerFromFile(wave.fileName().toStdString());
        QVERIFY(player);
        player->SetVolume(5 * 6553);
        QCOMPARE(player->Play(), 1);

        // The output starts with the silence of the paused device.
        auto written = [&] {
            QFile out(output);
            if (!out.open(QIODevice::ReadOnly))
                return std::vector<int16_t>();
            const QByteArray raw = out.readAll();
            std::vector<int16_t> values(size_t(raw.size()) / 2);
            std::memcpy(values.data(), raw.constData(), values.size() * 2);
            return values;
        };
        auto contains = [&] {
            const std::vector<int16_t> values = written();
            return std::search(values.begin(), values.end(), expected.begin(), expected.end()) != values.end();
        };
        QTRY_VERIFY_WITH_TIMEOUT(contains(), 5000);
        // The player's thread and SDL's audio thread end once the sound has.
        QTRY_COMPARE_WITH_TIMEOUT(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(),
                                  threadsBefore, 5000);
        CWaveAudio::StopAll(1000);
        CWaveAudio* late = CWaveAudio::PlayerFromFile(wave.fileName().toStdString());
        QCOMPARE(late->Play(), 0);
    }
};

QTEST_GUILESS_MAIN(WaveAudioTest)
#include "WaveAudioTest.moc"
