// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// The EMF+ decoder over the shared corpus: every EMF+ record of every real and malformed
// Enhanced Metafile decoded, a census per record and object type printed (met, failed),
// each failure checked against the ones the files deserve, and every image object's
// contents opened: compressed images by Qt's readers, metafiles by the engine itself.

#include "core/metafiledata.h"
#include "emf/emfloader.h"
#include "emfplus/decoder.h"
#include "emfplus/emfplusobjects.h"
#include "metafile/metafile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

#include <map>

using namespace metafile;
using namespace Qt::StringLiterals;

namespace {

QString sharedCorpus(const QString &folder)
{
    const QString root = qEnvironmentVariable("PICTORATE_SHARED_CORPUS");
    const QDir dir(root + QLatin1Char('/') + folder);
    return !root.isEmpty() && dir.exists() ? dir.absolutePath() : QString();
}

// The names of the record types from 0x4001 on, and of the object kinds from 0.
const QStringList recordNames =
    u"Header EndOfFile Comment GetDC MultiFormatStart MultiFormatSection MultiFormatEnd Object Clear FillRects "
    "DrawRects FillPolygon DrawLines FillEllipse DrawEllipse FillPie DrawPie DrawArc FillRegion FillPath DrawPath "
    "FillClosedCurve DrawClosedCurve DrawCurve DrawBeziers DrawImage DrawImagePoints DrawString SetRenderingOrigin "
    "SetAntiAliasMode SetTextRenderingHint SetTextContrast SetInterpolationMode SetPixelOffsetMode "
    "SetCompositingMode SetCompositingQuality Save Restore BeginContainer BeginContainerNoParams EndContainer "
    "SetWorldTransform ResetWorldTransform MultiplyWorldTransform TranslateWorldTransform ScaleWorldTransform "
    "RotateWorldTransform SetPageTransform ResetClip SetClipRect SetClipPath SetClipRegion OffsetClip "
    "DrawDriverString StrokeFillPath SerializableObject SetTSGraphics SetTSClip"_s.split(u' ');
const QStringList objectNames =
    u"Invalid Brush Pen Path Region Image Font StringFormat ImageAttributes CustomLineCap"_s.split(u' ');

// A record's name; an object record's is its kind's.
QString nameOf(quint16 type, quint16 flags)
{
    if (type == 0)
        return u"(comment framing)"_s;
    if (type == quint16(emfplus::RecordType::Object)) {
        const int kind = (flags >> 8) & 0x7F;
        return u"Object "_s + objectNames.value(kind, u"unknown"_s);
    }
    return recordNames.value(type - 0x4001, u"unknown 0x"_s + QString::number(type, 16));
}

// The EMF records of a file that loads, in order; nothing for one that does not.
std::optional<core::MetafileData> load(const QString &path)
{
    QFile file(path);
    core::MetafileData data;
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    data.bytes = file.readAll();
    if (emf::load(data))
        return std::nullopt;
    return data;
}

// Calls `visit(file, params)` for each EMR_COMMENT of every EMF of the corpus's two folders.
template<typename Visit>
void eachComment(Visit visit)
{
    for (const QString &folder : {u"emf/real"_s, u"emf/malformed"_s}) {
        const QString dir = sharedCorpus(folder);
        for (const QString &name : QDir(dir).entryList({u"*.emf"_s}, QDir::Files, QDir::Name)) {
            const std::optional<core::MetafileData> data = load(dir + QLatin1Char('/') + name);
            for (size_t i = 0; data && i < data->records.size(); ++i) {
                const core::RecordRef &record = data->records[i];
                if (record.function == 70)
                    visit(folder.mid(4) + u'/' + name,
                          QByteArrayView(data->bytes).sliced(record.offset, record.payloadSize));
            }
        }
    }
}

// What an image object holds, and whether it opens.
QString imageKind(const emfplus::Image &image)
{
    if (const auto *meta = std::get_if<emfplus::MetafileImage>(&image)) {
        const QString kind = u"metafile type "_s + QString::number(meta->type);
        return metafile::Document::load(meta->bytes) ? kind : kind + u": does not open"_s;
    }
    const auto &bitmap = std::get<emfplus::Bitmap>(image);
    if (!bitmap.compressed)
        return u"raw pixels, format "_s + QString::number(bitmap.pixelFormat, 16);
    const QByteArray head = bitmap.bytes.first(qMin<qsizetype>(4, bitmap.bytes.size()));
    const QString kind = head.startsWith("\x89PNG")  ? u"PNG"_s
                       : head.startsWith("\xFF\xD8") ? u"JPEG"_s
                       : head.startsWith("GIF8")     ? u"GIF"_s
                                                     : u"compressed, other"_s;
    return QImage::fromData(bitmap.bytes).isNull() ? kind + u": does not open"_s : kind;
}

} // namespace

class TestEmfPlusCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void census();
    void imagesOpen();
};

void TestEmfPlusCorpus::init()
{
    if (sharedCorpus(u"emf/real"_s).isEmpty())
        QSKIP("the shared corpus is not there");
}

// The failures are the three broken framings of malformed files, each checked by hand: a
// record's data size of 4 GB in 52 bytes, a comment's data size of 4 GB in 80 bytes, and a
// record of size 0 after a record of an unknown type.
void TestEmfPlusCorpus::census()
{
    std::map<QString, std::pair<int, int>> census; // met, failed
    QStringList failures;
    QString file;
    std::unique_ptr<emfplus::Decoder> decoder;
    eachComment([&](const QString &name, QByteArrayView params) {
        if (name != file) {
            file = name;
            decoder = std::make_unique<emfplus::Decoder>(
                [&](quint16 type, quint16 flags, emfplus::Outcome outcome, const char *problem) {
                    auto &[met, failed] = census[nameOf(type, flags)];
                    ++met;
                    if (outcome == emfplus::Outcome::Failed) {
                        ++failed;
                        failures.append(file + u": "_s + QLatin1String(problem));
                    }
                });
        }
        decoder->comment(params);
    });
    for (const auto &[name, counts] : census)
        qInfo().noquote() << name.leftJustified(28) << counts.first << "met," << counts.second << "failed";
    const QStringList deserved = {
        u"malformed/libemf2svg__bad_corrupted_2014-12-07-163010.emf: an EMF+ record's size is smaller than its head and data"_s,
        u"malformed/libemf2svg__bad_corrupted_2017-02-11-230400.emf: an EMF+ comment's data size runs past its record"_s,
        u"malformed/libemf2svg__bad_corrupted_2017-02-12-010400.emf: an EMF+ record's size is smaller than its head and data"_s,
    };
    QCOMPARE(failures, deserved);
}

// Every image object holds something that opens: a compressed image Qt reads, raw pixels
// of the size the object gives, or a metafile the engine loads.
void TestEmfPlusCorpus::imagesOpen()
{
    std::map<QString, int> kinds;
    QStringList failures;
    QString file;
    emfplus::ObjectAssembler objects;
    eachComment([&](const QString &name, QByteArrayView params) {
        if (name != file) {
            file = name;
            objects = emfplus::ObjectAssembler();
        }
        for (const emfplus::Record &record : emfplus::walkComment(params).records) {
            const std::optional<emfplus::ObjectBytes> whole = record.type == quint16(emfplus::RecordType::Object)
                                                                ? objects.add(record.flags, record.data).object
                                                                : std::nullopt;
            if (!whole || whole->type != emfplus::ObjectType::Image)
                continue;
            const std::optional<emfplus::Object> object = emfplus::decodeObject(whole->type, whole->bytes);
            if (!object)
                continue; // the census counts it
            const QString kind = imageKind(std::get<emfplus::Image>(*object));
            ++kinds[kind.section(u':', 0, 0)];
            if (kind.endsWith(u"does not open"_s))
                failures.append(name + u": "_s + kind);
        }
    });
    for (const auto &[kind, count] : kinds)
        qInfo().noquote() << kind.leftJustified(28) << count;
    for (const QString &failure : failures)
        qWarning().noquote() << failure;
    QCOMPARE(failures, QStringList());
}

QTEST_GUILESS_MAIN(TestEmfPlusCorpus)
#include "tst_emfpluscorpus.moc"
