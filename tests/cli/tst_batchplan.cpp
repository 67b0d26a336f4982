// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

// Which files a command line converts and where their bitmaps go.

#include "batchplan.h"
#include "gzip.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class tst_BatchPlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void targetName_data();
    void targetName();
    void namedFileTargets_data();
    void namedFileTargets();
    void folderPicturesByContentOrName();
    void outputMirrorsSubfolders();
    void withoutRecursionOnlyTheFolder();
    void earlierResultsLeftOut_data();
    void earlierResultsLeftOut();
    void outputFolderInsideNotWalked();
    void linkToFolderNotFollowed();
    void sharedTargetRefusedAfterTheFirst_data();
    void sharedTargetRefusedAfterTheFirst();

private:
    QString make(const QString &relative, const QByteArray &bytes = metafileBytes());
    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    // "source -> target" per job, paths below the scratch folder.
    QStringList describe(const BatchPlan &plan) const;
    static QByteArray metafileBytes();

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_BatchPlan::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QByteArray tst_BatchPlan::metafileBytes()
{
    QFile file(qEnvironmentVariable("PICTORATE_TEST_DATA") + u"/wmf/wmfjs__rect.wmf"_s);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString tst_BatchPlan::make(const QString &relative, const QByteArray &bytes)
{
    QString file = path(relative);
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    if (out.open(QIODevice::WriteOnly))
        out.write(bytes);
    return file;
}

QStringList tst_BatchPlan::describe(const BatchPlan &plan) const
{
    QStringList lines;
    const QString root = m_dir->path() + u'/';
    for (const Job &job : plan.jobs) {
        QString line = QString(job.source).remove(root) + u" -> "_s + QString(job.target).remove(root);
        if (!job.refusal.isEmpty())
            line += u" refused: "_s + QString(job.refusal).remove(root);
        lines << line;
    }
    return lines;
}

void tst_BatchPlan::targetName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("keepExtension");
    QTest::addRow("extension kept") << u"plan.wmf"_s << u"bmp"_s << u"plan.wmf.bmp"_s << true;
    QTest::addRow("extension kept, a bitmap's") << u"plan.bmp"_s << u"png"_s << u"plan.bmp.png"_s << true;
    QTest::addRow("extension kept, none there") << u"plan"_s << u"bmp"_s << u"plan.bmp"_s << true;
    QTest::addRow("extension replaced") << u"plan.wmf"_s << u"bmp"_s << u"plan.bmp"_s << false;
    QTest::addRow("only the last extension") << u"a.b.wmf"_s << u"bmp"_s << u"a.b.bmp"_s << false;
    QTest::addRow("no extension") << u"plan"_s << u"bmp"_s << u"plan.bmp"_s << false;
    QTest::addRow("ends with a dot") << u"plan."_s << u"bmp"_s << u"plan.bmp"_s << false;
    QTest::addRow("only an extension") << u".wmf"_s << u"bmp"_s << u".bmp"_s << false;
    QTest::addRow("capital extension") << u"PLAN.WMF"_s << u"bmp"_s << u"PLAN.bmp"_s << false;
    QTest::addRow("a bitmap's own name") << u"plan.bmp"_s << u"bmp"_s << u"plan.bmp"_s << false;
    QTest::addRow("the format's extension") << u"chart.emz"_s << u"png"_s << u"chart.png"_s << false;
    QTest::addRow("the format's name as typed") << u"chart.emf"_s << u"jpeg"_s << u"chart.jpeg"_s << false;
}

void tst_BatchPlan::targetName()
{
    QFETCH(QString, name);
    QFETCH(QString, extension);
    QFETCH(QString, expected);
    QFETCH(bool, keepExtension);
    QCOMPARE(::targetName(name, extension, keepExtension), expected);
    if (extension == u"bmp" && !keepExtension)
        QCOMPARE(::bitmapName(name), expected);
}

void tst_BatchPlan::namedFileTargets_data()
{
    QTest::addColumn<QString>("operand");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("target");
    QTest::addRow("beside the source") << u"pics/a.b.wmf"_s << QString() << u"pics/a.b.bmp"_s;
    QTest::addRow("a dot in a folder stays") << u"my.pics/plan"_s << QString() << u"my.pics/plan.bmp"_s;
    QTest::addRow("bare name") << u"plan.wmf"_s << QString() << u"plan.bmp"_s;
    QTest::addRow("absolute") << u"/art/logo.wmf"_s << QString() << u"/art/logo.bmp"_s;
    QTest::addRow("into the output folder, flat") << u"pics/sub/a.wmf"_s << u"out"_s << u"out/a.bmp"_s;
}

// A named file becomes a job whatever it is, so that what is wrong with it gets reported.
void tst_BatchPlan::namedFileTargets()
{
    QFETCH(QString, operand);
    QFETCH(QString, output);
    QFETCH(QString, target);
    const BatchPlan plan = planBatch({operand}, false, output);
    QCOMPARE(plan.jobs.size(), 1u);
    QCOMPARE(plan.jobs[0].source, operand);
    QCOMPARE(plan.jobs[0].target, target);
    QVERIFY(plan.jobs[0].refusal.isEmpty());
}

void tst_BatchPlan::folderPicturesByContentOrName()
{
    make(u"src/drawing"_s); // a metafile without an extension
    QImage photo(4, 4, QImage::Format_RGB32);
    photo.fill(Qt::red);
    photo.save(path(u"src/photo.dat"_s), "PNG");
    make(u"src/broken.wmf"_s, "not a metafile"); // named like one: tried, so its fault is reported
    make(u"src/notes.txt"_s, "hello");
    make(u"src/.hidden.wmf"_s);
    QVERIFY(mkfifo(QFile::encodeName(path(u"src/pipe.wmf"_s)).constData(), 0600) == 0);
    make(u"src/packed"_s, testsupport::gzip(metafileBytes())); // a compressed metafile, by content
    make(u"src/squashed.emz"_s, "not compressed at all"); // named like one
    make(u"src/notes.gz"_s, testsupport::gzip("hello")); // compressed, but no picture

    const BatchPlan plan = planBatch({path(u"src"_s)}, false, {});
    QCOMPARE(describe(plan), (QStringList {u"src/broken.wmf -> src/broken.bmp"_s, u"src/drawing -> src/drawing.bmp"_s,
                                           u"src/packed -> src/packed.bmp"_s, u"src/photo.dat -> src/photo.bmp"_s,
                                           u"src/squashed.emz -> src/squashed.bmp"_s}));
}

void tst_BatchPlan::outputMirrorsSubfolders()
{
    make(u"src/a.wmf"_s);
    make(u"src/sub/b.wmf"_s);
    make(u"src/sub/deep/c.wmf"_s);
    make(u"src/z.wmf"_s);
    const BatchPlan plan = planBatch({path(u"src"_s)}, true, path(u"out"_s));
    QCOMPARE(describe(plan),
             (QStringList {u"src/a.wmf -> out/a.bmp"_s, u"src/z.wmf -> out/z.bmp"_s,
                           u"src/sub/b.wmf -> out/sub/b.bmp"_s, u"src/sub/deep/c.wmf -> out/sub/deep/c.bmp"_s}));
}

void tst_BatchPlan::withoutRecursionOnlyTheFolder()
{
    make(u"src/a.wmf"_s);
    make(u"src/sub/b.wmf"_s);
    QCOMPARE(describe(planBatch({path(u"src"_s)}, false, {})), QStringList {u"src/a.wmf -> src/a.bmp"_s});
}

void tst_BatchPlan::earlierResultsLeftOut_data()
{
    QTest::addColumn<QString>("format");
    QTest::addRow("bitmaps") << u"bmp"_s;
    QTest::addRow("PNG files") << u"png"_s;
}

// Converting a folder twice must not take the first run's pictures for sources: "a.bmp" beside
// "a.wmf" would replace itself or fight "a.wmf" for the same target.
void tst_BatchPlan::earlierResultsLeftOut()
{
    QFETCH(QString, format);
    make(u"src/a.wmf"_s);
    QImage bitmap(4, 4, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    QVERIFY(bitmap.save(path(u"src/a."_s + format), qPrintable(format)));
    QVERIFY(bitmap.save(path(u"src/lone."_s + format), qPrintable(format)));

    const BatchPlan beside = planBatch({path(u"src"_s)}, false, {}, format);
    QCOMPARE(describe(beside), QStringList {u"src/a.wmf -> src/a."_s + format});
    QCOMPARE(beside.leftOut, 2);

    const BatchPlan elsewhere = planBatch({path(u"src"_s)}, false, path(u"out"_s), format);
    QCOMPARE(describe(elsewhere),
             (QStringList {u"src/a.wmf -> out/a."_s + format, u"src/lone.%1 -> out/lone.%1"_s.arg(format)}));
    QCOMPARE(elsewhere.leftOut, 1);
}

void tst_BatchPlan::outputFolderInsideNotWalked()
{
    make(u"src/a.wmf"_s);
    make(u"src/out/old.wmf"_s);
    const BatchPlan plan = planBatch({path(u"src"_s)}, true, path(u"src/out"_s));
    QCOMPARE(describe(plan), QStringList {u"src/a.wmf -> src/out/a.bmp"_s});
}

void tst_BatchPlan::linkToFolderNotFollowed()
{
    make(u"src/a.wmf"_s);
    QVERIFY(QFile::link(path(u"src"_s), path(u"src/loop"_s)));
    const BatchPlan plan = planBatch({path(u"src"_s)}, true, path(u"out"_s));
    QCOMPARE(describe(plan), QStringList {u"src/a.wmf -> out/a.bmp"_s});
}

void tst_BatchPlan::sharedTargetRefusedAfterTheFirst_data()
{
    QTest::addColumn<bool>("keepExtension");
    QTest::addColumn<QStringList>("expected");
    QTest::addRow("extension replaced")
        << false
        << QStringList {
               u"one/a.emf -> out/a.bmp"_s,
               u"one/a.wmf -> out/a.bmp refused: could not be saved as out/a.bmp: it is also the picture of one/a.emf"_s,
               u"two/a.wmf -> out/a.bmp refused: could not be saved as out/a.bmp: it is also the picture of one/a.emf"_s};
    // A WMF and an EMF of the same name share a folder.
    QTest::addRow("extension kept")
        << true
        << QStringList {u"one/a.emf -> out/a.emf.bmp"_s, u"one/a.wmf -> out/a.wmf.bmp"_s,
                        u"two/a.wmf -> out/a.wmf.bmp refused: could not be saved as out/a.wmf.bmp: it is also the "
                        "picture of one/a.wmf"_s};
}

void tst_BatchPlan::sharedTargetRefusedAfterTheFirst()
{
    QFETCH(bool, keepExtension);
    QFETCH(QStringList, expected);
    make(u"one/a.wmf"_s);
    make(u"one/a.emf"_s);
    make(u"two/a.wmf"_s);
    const BatchPlan plan = planBatch({path(u"one"_s), path(u"two"_s)}, false, path(u"out"_s), u"bmp"_s, keepExtension);
    QCOMPARE(describe(plan), expected);
}

QTEST_GUILESS_MAIN(tst_BatchPlan)
#include "tst_batchplan.moc"
