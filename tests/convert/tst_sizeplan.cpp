// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "sizeplan.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SizePlan::Action)

namespace {

SizeRequest ticked(const QString &height, const QString &width, const QString &localeName = u"en_US"_s)
{
    SizeRequest request;
    request.ticked = true;
    request.heightText = height;
    request.widthText = width;
    request.locale = QLocale(localeName);
    return request;
}

} // namespace

class TestSizePlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void untickedIgnoresFields_data();
    void untickedIgnoresFields();
    void refusesWithFieldMessage_data();
    void refusesWithFieldMessage();
    void appliesTwips_data();
    void appliesTwips();
    void negativeZeroAppliedAsZero();
};

void TestSizePlan::untickedIgnoresFields_data()
{
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("width");

    QTest::addRow("both empty") << QString() << QString();
    QTest::addRow("negative") << u"-1"_s << u"-5"_s;
    QTest::addRow("not numbers") << u"abc"_s << u"12abc"_s;
    QTest::addRow("beyond double") << u"1e400"_s << u"1e400"_s;
    QTest::addRow("valid sizes") << u"2000"_s << u"3000"_s;
}

void TestSizePlan::untickedIgnoresFields()
{
    QFETCH(QString, height);
    QFETCH(QString, width);

    SizeRequest request = ticked(height, width);
    request.ticked = false;
    const SizePlan plan = planSize(request);
    QCOMPARE(plan.action, SizePlan::Action::KeepSize);
    QVERIFY(plan.message.isEmpty());
}

void TestSizePlan::refusesWithFieldMessage_data()
{
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("message");

    const QString us = u"en_US"_s;
    const QString heightMessage = u"Please enter a valid height"_s;
    const QString widthMessage = u"Please enter a valid width"_s;
    QTest::addRow("both invalid shows only height") << us << u"abc"_s << u"-1"_s << heightMessage;
    QTest::addRow("empty height") << us << QString() << u"4095"_s << heightMessage;
    QTest::addRow("negative height") << us << u"-1"_s << u"4095"_s << heightMessage;
    QTest::addRow("blank height") << us << u"  "_s << u"4095"_s << heightMessage;
    QTest::addRow("empty width") << us << u"3255"_s << QString() << widthMessage;
    QTest::addRow("negative width") << us << u"3255"_s << u"-1"_s << widthMessage;
    QTest::addRow("width beyond double") << us << u"3255"_s << u"1e400"_s << widthMessage;
    QTest::addRow("width infinity word") << us << u"3255"_s << u"inf"_s << widthMessage;
    QTest::addRow("width blanks inside") << us << u"3255"_s << u" 1 2 3 "_s << widthMessage;
    QTest::addRow("width decimal comma en") << us << u"3255"_s << u"2,5"_s << widthMessage;
    QTest::addRow("height period in de") << u"de_DE"_s << u"2500.5"_s << u"4095"_s << heightMessage;
    // Valid doubles that single precision cannot hold are refused like invalid texts.
    QTest::addRow("height beyond float") << us << u"1e39"_s << u"abc"_s << heightMessage;
    QTest::addRow("width beyond float") << us << u"3255"_s << u"1.5e308"_s << widthMessage;
}

void TestSizePlan::refusesWithFieldMessage()
{
    QFETCH(QString, localeName);
    QFETCH(QString, height);
    QFETCH(QString, width);
    QFETCH(QString, message);

    const SizePlan plan = planSize(ticked(height, width, localeName));
    QCOMPARE(plan.action, SizePlan::Action::Refuse);
    QCOMPARE(plan.message, message);
}

void TestSizePlan::appliesTwips_data()
{
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("width");
    QTest::addColumn<float>("heightTwips");
    QTest::addColumn<float>("widthTwips");

    const QString us = u"en_US"_s;
    const QString de = u"de_DE"_s;
    QTest::addRow("default size") << us << u"3255"_s << u"4095"_s << 3255.0f << 4095.0f;
    QTest::addRow("half twip") << us << u"2500.5"_s << u"1e3"_s << 2500.5f << 1000.0f;
    QTest::addRow("zero accepted") << us << u"0"_s << u"0"_s << 0.0f << 0.0f;
    QTest::addRow("surrounding blanks") << us << u" 1440 "_s << u"\t2880\n"_s << 1440.0f << 2880.0f;
    QTest::addRow("grouped thousand cut at comma") << us << u"1,000"_s << u"12,000"_s << 1.0f << 12.0f;
    QTest::addRow("decimal comma cut de") << de << u"2,5"_s << u"1.000,5"_s << 2.0f << 1.0f;
    QTest::addRow("height and width kept apart") << us << u"100"_s << u"200"_s << 100.0f << 200.0f;
}

void TestSizePlan::appliesTwips()
{
    QFETCH(QString, localeName);
    QFETCH(QString, height);
    QFETCH(QString, width);
    QFETCH(float, heightTwips);
    QFETCH(float, widthTwips);

    const SizePlan plan = planSize(ticked(height, width, localeName));
    QCOMPARE(plan.action, SizePlan::Action::Apply);
    QVERIFY(plan.message.isEmpty());
    QCOMPARE(plan.height, heightTwips);
    QCOMPARE(plan.width, widthTwips);
}

void TestSizePlan::negativeZeroAppliedAsZero()
{
    const SizePlan plan = planSize(ticked(u"-0"_s, u"-0.0"_s));
    QCOMPARE(plan.action, SizePlan::Action::Apply);
    QVERIFY(!std::signbit(plan.height));
    QVERIFY(!std::signbit(plan.width));
}

QTEST_GUILESS_MAIN(TestSizePlan)
#include "tst_sizeplan.moc"
