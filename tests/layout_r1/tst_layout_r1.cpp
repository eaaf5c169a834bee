#include "../support/LayoutChecks.h"
#include "report/Layout.h"

#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <limits>
#include <map>

// The glasses slip's layout as the loader delivers it, held against the designer's tables: the
// values below are copied from those tables, not from the layout file.

using kema::Result;
using namespace kema::report;
using namespace kema::test;

Q_DECLARE_METATYPE(kema::report::ControlKind)
Q_DECLARE_METATYPE(kema::report::Align)

namespace {

const QString Mincho = QStringLiteral("ＭＳ 明朝");
const QString PMincho = QStringLiteral("ＭＳ Ｐ明朝");
const QString PGothic = QStringLiteral("ＭＳ Ｐゴシック");
QString layoutPath() {
    return QStringLiteral(KEMA_SOURCE_DIR "/layouts/TKV418R1.json");
}

} // namespace

class TestLayoutR1 : public QObject {
    Q_OBJECT

private:
    LayoutPtr m_layout;

    const LayoutControl& named(const QString& name) const { return namedControl(*m_layout, name); }

    // Static captions are found where the tables place them: no two texts share a top-left
    // corner on this slip.
    QList<const LayoutControl*> textsAt(qint32 left, qint32 top) const {
        QList<const LayoutControl*> found;
        for (const LayoutControl& control : m_layout->controls)
            if ((control.kind == ControlKind::Text || control.kind == ControlKind::Label) &&
                control.left == left && control.top == top)
                found << &control;
        return found;
    }

private slots:
    void initTestCase() {
        Result<LayoutPtr> loaded = loadLayoutFile(layoutPath());
        QVERIFY2(loaded.ok(), qPrintable(loaded ? QString() : loaded.error().description));
        m_layout = loaded.value();
    }

    void compiledInIsTheFile() { verifyCompiledIn(*m_layout); }

    void reportValues() {
        const ReportLayout& layout = *m_layout;
        QCOMPARE(layout.name, QStringLiteral("TKV418R1"));
        QCOMPARE(layout.printWidth, 16005);
        QCOMPARE(layout.leftMargin, 0);
        QCOMPARE(layout.rightMargin, 0);
        QCOMPARE(layout.topMargin, 1134);
        QCOMPARE(layout.bottomMargin, 0);
        QCOMPARE(layout.documentName, QStringLiteral("来店伝票（メガネ）"));
        QCOMPARE(layout.section.name, QStringLiteral("Detail"));
        QCOMPARE(layout.section.height, 10275);
        QCOMPARE(rgb(layout.section.backColor), White);
    }

    void countsPerKind() {
        std::map<ControlKind, int> counts = kindCounts(*m_layout);
        QCOMPARE(int(m_layout->controls.size()), 400);
        QCOMPARE(counts[ControlKind::Text], 282);
        QCOMPARE(counts[ControlKind::Label], 2);
        QCOMPARE(counts[ControlKind::Line], 111);
        QCOMPARE(counts[ControlKind::Frame], 3);
        QCOMPARE(counts[ControlKind::Barcode], 1);
        QCOMPARE(counts[ControlKind::Subreport], 1);
    }

    void ordinalsFollowTheList() { verifyOrdinals(*m_layout); }

    // Texts carry a white back colour; the rules and frames come after every text so that no
    // box can hide a rule it overlaps (the sight fields overlap the grid's vertical rules).
    void rulesDrawnOverTexts() {
        int lastText = 0;
        int firstRule = std::numeric_limits<int>::max();
        for (const LayoutControl& control : m_layout->controls) {
            if (control.kind == ControlKind::Text || control.kind == ControlKind::Label)
                lastText = std::max(lastText, control.ordinal);
            if (control.kind == ControlKind::Line || control.kind == ControlKind::Frame)
                firstRule = std::min(firstRule, control.ordinal);
        }
        QVERIFY(lastText < firstRule);
    }

    void gridFamilies_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QStringList>("suffixes");
        QTest::addColumn<QList<int>>("tops");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("width");
        QTest::addColumn<Align>("align");
        // Members whose left or font the tables give as an exception.
        QTest::addColumn<QStringList>("exceptions");

        const QStringList pairs{"11", "12", "21", "22", "31", "32", "41", "42"};
        const QList<int> tops{3960, 4200, 4455, 4680, 4935, 5175, 5430, 5655};
        QTest::newRow("SIGHT") << "Fld_SIGHT_" << QStringList{"11", "12", "13", "21", "22", "23",
                                                              "31", "32", "33", "41", "42", "43"}
                               << QList<int>{3975, 4200, 4200, 4470, 4695, 4680,
                                             4950, 5175, 5175, 5445, 5655, 5655}
                               << 1020 << 420 << Align::Right
                               << QStringList{"13", "23", "33", "43"};
        QTest::newRow("SPH") << "Fld_SPH_" << pairs << tops << 2160 << 564 << Align::Right
                             << QStringList{};
        QTest::newRow("CYL") << "Fld_CYL_" << pairs << tops << 2700 << 564 << Align::Right
                             << QStringList{};
        QTest::newRow("AX") << "Fld_AX_" << pairs << tops << 3240 << 360 << Align::Right
                            << QStringList{"11", "32"};
        QTest::newRow("ADD") << "Fld_ADD_" << pairs << tops << 3570 << 420 << Align::Right
                             << QStringList{};
        QTest::newRow("P") << "Fld_P_" << pairs << tops << 3990 << 470 << Align::Right
                           << QStringList{};
        QTest::newRow("B") << "Fld_B_" << pairs << tops << 4425 << 340 << Align::Right
                           << QStringList{};
        QTest::newRow("HEN") << "Fld_HEN_" << pairs << tops << 4745 << 490 << Align::Right
                             << QStringList{};
        QTest::newRow("P_WAY") << "Fld_P_WAY_" << pairs << tops << 5220 << 350 << Align::Center
                               << QStringList{};
        QTest::newRow("PD") << "Fld_PD_" << pairs << tops << 5550 << 420 << Align::Right
                            << QStringList{};
        QTest::newRow("NPD") << "Fld_NPD_" << pairs << tops << 5940 << 420 << Align::Right
                             << QStringList{};
        QTest::newRow("EYE_POINT") << "Fld_EYE_POINT_" << pairs
                                   << QList<int>{3960, 4200, 4455, 4680, 4936, 5175, 5430, 5655}
                                   << 6300 << 500 << Align::Right << QStringList{};
    }

    // Every member of every grid family; the exceptions are checked in full in textFields.
    void gridFamilies() {
        QFETCH(QString, family);
        QFETCH(QStringList, suffixes);
        QFETCH(QList<int>, tops);
        QFETCH(int, left);
        QFETCH(int, width);
        QFETCH(Align, align);
        QFETCH(QStringList, exceptions);
        for (qsizetype i = 0; i < suffixes.size(); ++i) {
            const LayoutControl& control = named(family + suffixes[i]);
            QCOMPARE(control.kind, ControlKind::Text);
            if (!exceptions.contains(suffixes[i]))
                verifyText(control, left, tops[i], width, 180, Mincho, 8.25, false, align, true,
                           QString());
            else
                QCOMPARE(control.top, tops[i]);
        }
        int members = 0;
        const QRegularExpression pattern(u'^' + QRegularExpression::escape(family) + "\\d\\d$");
        for (const LayoutControl& control : m_layout->controls)
            members += pattern.match(control.name).hasMatch() ? 1 : 0;
        QCOMPARE(members, int(suffixes.size()));
    }

    void textFields_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<ControlKind>("kind");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("face");
        QTest::addColumn<double>("size");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<Align>("align");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("text");

        const auto row = [](const char* name, ControlKind kind, int left, int top, int width,
                            int height, const QString& face, double size, bool bold, Align align,
                            bool visible, const QString& text) {
            QTest::newRow(name) << QString::fromLatin1(name) << kind << left << top << width
                                << height << face << size << bold << align << visible << text;
        };
        const auto T = ControlKind::Text;
        const auto L = Align::Left;
        const auto R = Align::Right;
        const auto C = Align::Center;
        // The grid's exceptions.
        row("Fld_SIGHT_13", T, 1605, 4200, 420, 180, Mincho, 8.25, false, R, true, {});
        row("Fld_SIGHT_23", T, 1605, 4680, 420, 180, Mincho, 8.25, false, R, true, {});
        row("Fld_SIGHT_33", T, 1605, 5175, 420, 180, Mincho, 8.25, false, R, true, {});
        row("Fld_SIGHT_43", T, 1605, 5655, 420, 180, Mincho, 8.25, false, R, true, {});
        row("Fld_AX_11", T, 3240, 3960, 360, 180, Mincho, 8, false, R, true, {});
        row("Fld_AX_32", T, 3255, 5175, 360, 180, Mincho, 8.25, false, R, true, {});
        // The other named controls.
        row("Fld_STORE_NM_CD", T, 120, 0, 5340, 300, Mincho, 12, false, L, true,
            QStringLiteral("新宿店\u3000(001\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000）"));
        row("FildTitle", T, 5985, 0, 4680, 420, Mincho, 15.75, true, C, true,
            QStringLiteral("＜＜\u3000お客様\u3000来店伝票\u3000＞＞"));
        row("Fld_ASTA_SIN", T, 12015, 60, 570, 180, PGothic, 11.25, false, L, true, "****");
        row("Fld_ASTA_SAI", T, 12885, 60, 570, 180, PGothic, 11.25, false, L, true, "****");
        row("GENGO1", ControlKind::Label, 4380, 360, 405, 210, Mincho, 8.25, false, L, true, "M T");
        row("GENGO2", ControlKind::Label, 4380, 510, 570, 210, Mincho, 8.25, false, L, true,
            "S H R");
        row("Fld_KANA_MEI", T, 630, 420, 2265, 240, Mincho, 8.25, false, L, true,
            QStringLiteral("ＮＮＮＮＮＮＮＮＮＮＮＮ"));
        row("Fld_BIRTH_MD", T, 4920, 420, 2265, 240, Mincho, 9.75, false, L, true,
            QStringLiteral("元号99年99月99日"));
        row("Fld_MAILNO", T, 8025, 465, 1020, 195, Mincho, 9, false, L, true, "999-9999");
        row("Fld_ADDRESS1", T, 7680, 750, 4080, 240, Mincho, 9.75, false, L, true,
            QStringLiteral("ＮＮＮＮＮＮＮＮＮＮＮＮＮＮＮＮＮＮＮＮ"));
        row("Fld_CUSTOM_MEI", T, 630, 900, 2460, 240, Mincho, 11.25, false, L, true,
            QStringLiteral("ＮＮＮＮＮＮＮＮＮＮ"));
        row("Fld_VISIT_DT", T, 13485, 915, 165, 240, Mincho, 9.75, false, L, false,
            QStringLiteral("9999年\u300006月\u300012日"));
        row("Fld_VISIT_YY", T, 13665, 930, 510, 240, Mincho, 9.75, false, R, true, "2000");
        row("Fld_nen", T, 14190, 930, 285, 240, PMincho, 9.75, false, R, true,
            QStringLiteral("年"));
        row("Fld_hi", T, 15465, 930, 285, 240, PMincho, 9.75, false, R, true, QStringLiteral("日"));
        row("Fld_CONNECT_CMT", T, 4890, 1215, 1980, 210, Mincho, 8.25, false, L, true,
            "99-99-9999");
        row("Fld_ASTA_M", T, 1455, 1395, 360, 165, PGothic, 9.75, false, L, true, "***");
        row("Fld_EMAIL", T, 4890, 1485, 2775, 210, Mincho, 8.25, false, L, true, "99-99-9999");
        row("Fld_CUSTOM_NO", T, 13695, 1740, 2055, 270, Mincho, 11.25, false, C, true,
            "1234567890123");
        row("Fld_EXAM_DT", T, 900, 2175, 2025, 180, Mincho, 8.25, false, L, true,
            QStringLiteral("9999年99月99日"));
        row("Fld_LENS_COLR", T, 4410, 3030, 2340, 180, Mincho, 8.25, false, L, true,
            QStringLiteral("ＮＮＮＮＮＮＮＮＮＮＮＮ  "));
        row("Fld_NODO_UD", T, 6270, 3255, 450, 180, Mincho, 8.25, false, R, true, "2.55");
        row("Fld_NAKED_SIGHT2", T, 1797, 3375, 435, 180, Mincho, 8.25, false, R, true,
            QStringLiteral("2.55\u3000"));
        row("fld_FRAME_NM", T, 4455, 3480, 2355, 180, Mincho, 8.25, false, L, true,
            QStringLiteral("ＮＮＮＮＮＮＮＮＮＮＮＮ"));
        row("Fld_NKIND1", T, 6870, 3690, 885, 180, Mincho, 8.25, false, C, true,
            QStringLiteral("処方値"));
        row("Fld_NKIND2", T, 6870, 4290, 885, 180, PMincho, 8.25, false, C, true,
            QStringLiteral("完全矯正値"));
        row("Fld_ZKIND4", T, 30, 5595, 840, 180, Mincho, 8.25, false, C, true,
            QStringLiteral("ＮＮＮＮ"));
        row("Fld_CNT_REMARKS", T, 885, 5925, 5850, 195, Mincho, 9, false, L, true,
            QStringLiteral("ＮＮＮＮＮＮＮＮＮＮ"));
    }

    void textFields() {
        QFETCH(QString, name);
        QFETCH(ControlKind, kind);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QString, face);
        QFETCH(double, size);
        QFETCH(bool, bold);
        QFETCH(Align, align);
        QFETCH(bool, visible);
        QFETCH(QString, text);
        const LayoutControl& control = named(name);
        QCOMPARE(control.kind, kind);
        verifyText(control, left, top, width, height, face, size, bold, align, visible, text);
    }

    void captions_data() {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("face");
        QTest::addColumn<double>("size");
        QTest::addColumn<Align>("align");
        QTest::addColumn<QString>("text");

        const auto row = [](int left, int top, int width, int height, const QString& face,
                            double size, Align align, const QString& text) {
            QTest::addRow("%d,%d", left, top)
                << left << top << width << height << face << size << align << text;
        };
        const auto L = Align::Left;
        const auto R = Align::Right;
        const auto C = Align::Center;
        row(12015, 75, 1515, 285, Mincho, 11.25, L, QStringLiteral("新規 ・ 再来"));
        row(10725, 90, 1290, 270, Mincho, 11.25, L, QStringLiteral("メガネ"));
        row(7680, 420, 285, 285, Mincho, 12, L, QStringLiteral("〒"));
        row(165, 570, 285, 705, Mincho, 9.75, L, QStringLiteral("お名前"));
        row(12045, 600, 1410, 285, PMincho, 9.75, R, QStringLiteral("問い合わせ番号"));
        row(3525, 1035, 750, 270, Mincho, 9.75, L, QStringLiteral("連絡先"));
        row(14895, 1215, 285, 240, PMincho, 9.75, R, QStringLiteral("月"));
        row(630, 1365, 2985, 285, Mincho, 12, C, QStringLiteral("男\u3000・\u3000女"));
        row(15465, 1470, 285, 270, Mincho, 9.75, R, QStringLiteral("店"));
        row(4350, 1485, 555, 210, Mincho, 8.25, L, "e-mail");
        row(60, 1800, 1320, 225, Mincho, 9, L, QStringLiteral("＜前回検眼＞"));
        row(7785, 2100, 2025, 180, Mincho, 8.25, L,
            QStringLiteral(" \u3000\u3000\u3000  年\u3000\u3000月\u3000\u3000日"));
        row(9960, 2100, 645, 180, Mincho, 8.25, C, QStringLiteral("商品名"));
        row(10740, 2310, 2295, 180, Mincho, 8.25, L, " R");
        row(10740, 2550, 2295, 180, Mincho, 8.25, L, " L");
        row(10815, 2745, 435, 210, Mincho, 8.25, L, QStringLiteral("ｶﾗｰ"));
        row(14430, 2745, 900, 210, Mincho, 8.25, L, QStringLiteral("濃度(下)："));
        row(7785, 2925, 2025, 180, Mincho, 8.25, L, "R       L       " + QStringLiteral("両"));
        row(6870, 3255, 885, 150, Mincho, 8.25, C, QStringLiteral("検眼種"));
        row(15495, 3255, 390, 150, Mincho, 8.25, L, QStringLiteral("高さ"));
        row(4755, 3735, 470, 150, Mincho, 8.25, L, QStringLiteral("偏心"));
        row(855, 4005, 180, 180, Mincho, 8.25, L, "R");
        row(825, 4230, 210, 180, Mincho, 8.25, C, "L");
        row(1390, 4230, 210, 225, Mincho, 8.25, L, QStringLiteral("両"));
        row(9090, 5670, 210, 225, Mincho, 8.25, C, "L");
        row(7065, 5955, 405, 180, Mincho, 8.25, L, QStringLiteral("備考"));
        // Every blank caption.
        row(13215, 2295, 2295, 180, Mincho, 8.25, L, {});
        row(7785, 2385, 2025, 180, Mincho, 8.25, L, {});
        row(13215, 2535, 2295, 180, Mincho, 8.25, L, {});
        row(7785, 2655, 2025, 180, Mincho, 8.25, L, {});
        row(11220, 2760, 1890, 180, Mincho, 8.25, L, {});
        row(13785, 2760, 600, 180, Mincho, 8.25, L, {});
        row(15360, 2775, 480, 180, Mincho, 8.25, L, {});
        row(11235, 3000, 1875, 180, Mincho, 8.25, L, {});
    }

    void captions() {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QString, face);
        QFETCH(double, size);
        QFETCH(Align, align);
        QFETCH(QString, text);
        const QList<const LayoutControl*> found = textsAt(left, top);
        QCOMPARE(found.size(), 1);
        const LayoutControl& control = *found.first();
        QCOMPARE(control.kind, ControlKind::Text);
        QVERIFY2(QRegularExpression(QStringLiteral("^Field\\d+$")).match(control.name).hasMatch(),
                 qPrintable(control.name));
        verifyText(control, left, top, width, height, face, size, false, align, true, text);
    }

    void blankCaptions() {
        int blank = 0;
        for (const LayoutControl& control : m_layout->controls)
            if (control.name.startsWith(QStringLiteral("Field")) && control.text.isEmpty())
                ++blank;
        QCOMPARE(blank, 8);
    }

    void frames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("weight");
        QTest::newRow("Shape15") << "Shape15" << 0 << 345 << 11895 << 1410 << 2;
        QTest::newRow("Shape12") << "Shape12" << 30 << 2025 << 6750 << 4140 << 1;
        QTest::newRow("Shape13") << "Shape13" << 6855 << 2025 << 9120 << 4140 << 1;
    }

    void frames() {
        QFETCH(QString, name);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, weight);
        const LayoutControl& frame = named(name);
        QCOMPARE(frame.kind, ControlKind::Frame);
        QCOMPARE(frame.left, left);
        QCOMPARE(frame.top, top);
        QCOMPARE(frame.width, width);
        QCOMPARE(frame.height, height);
        QCOMPARE(frame.lineWeight, weight);
        QCOMPARE(rgb(frame.lineColor), Black);
        QVERIFY(!frame.filled);
        QVERIFY(frame.visible);
    }

    void lines_data() {
        QTest::addColumn<int>("x1");
        QTest::addColumn<int>("y1");
        QTest::addColumn<int>("x2");
        QTest::addColumn<int>("y2");
        const auto row = [](int x1, int y1, int x2, int y2) {
            QTest::addRow("(%d,%d)-(%d,%d)", x1, y1, x2, y2) << x1 << y1 << x2 << y2;
        };
        row(8010, 630, 9075, 630);
        row(600, 675, 7320, 675);
        row(4935, 1695, 7245, 1695);
        row(7740, 1695, 10035, 1695);
        row(15300, 2940, 15840, 2940);
        row(30, 3690, 6765, 3690);
        row(7755, 4980, 15975, 4980);
        row(6855, 5895, 15960, 5895);
        row(600, 357, 600, 1733);
        row(1605, 3945, 1605, 5850);
        row(7755, 2025, 7755, 6165);
        row(9930, 2040, 9930, 3195);
        row(9930, 3195, 9930, 5865);
        row(15399, 3195, 15399, 5865);
        row(7995, 630, 7995, 630);
    }

    void lines() {
        QFETCH(int, x1);
        QFETCH(int, y1);
        QFETCH(int, x2);
        QFETCH(int, y2);
        QList<const LayoutControl*> found;
        for (const LayoutControl& control : m_layout->controls)
            if (control.kind == ControlKind::Line && control.left == x1 && control.top == y1 &&
                control.width == x2 && control.height == y2)
                found << &control;
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first()->lineWeight, 1);
        QCOMPARE(rgb(found.first()->lineColor), Black);
        QVERIFY(found.first()->visible);
    }

    void lineDirections() {
        int horizontal = 0;
        int vertical = 0;
        int dots = 0;
        for (const LayoutControl& line : m_layout->controls) {
            if (line.kind != ControlKind::Line)
                continue;
            QVERIFY(line.visible);
            QCOMPARE(line.lineWeight, 1);
            if (line.left == line.width && line.top == line.height)
                ++dots;
            else if (line.top == line.height)
                ++horizontal;
            else if (line.left == line.width)
                ++vertical;
        }
        QCOMPARE(horizontal, 69);
        QCOMPARE(vertical, 41);
        QCOMPARE(dots, 1);
    }

    void barcode() {
        const LayoutControl& barcode = named(QStringLiteral("Fld_INQ_NO"));
        QCOMPARE(barcode.kind, ControlKind::Barcode);
        QCOMPARE(barcode.left, 13530);
        QCOMPARE(barcode.top, 0);
        QCOMPARE(barcode.width, 2399);
        QCOMPARE(barcode.height, 824);
        QVERIFY(barcode.visible);
        QCOMPARE(barcode.font.face, QStringLiteral("Arial"));
        QCOMPARE(barcode.font.size, 15.75);
        QVERIFY(!barcode.font.bold);
        QVERIFY(!barcode.font.italic);
        QCOMPARE(barcode.font.charset, 0);
        QCOMPARE(rgb(barcode.backColor), White);
        QCOMPARE(rgb(barcode.foreColor), Black);
        QCOMPARE(barcode.sizeText, (QStringList{"42.375 mm", "14.55 mm"}));
        const QVariantList stored{7, 1,           true,        "font", 0,     true,
                                  0, "backColor", "foreColor", true,   false, 100};
        QCOMPARE(barcode.stored.size(), stored.size());
        for (qsizetype i = 0; i < stored.size(); ++i) {
            QCOMPARE(barcode.stored[i].toString(), stored[i].toString());
            QCOMPARE(barcode.stored[i].typeId() == QMetaType::Bool,
                     stored[i].typeId() == QMetaType::Bool);
        }
        QCOMPARE(barcode.data, QStringLiteral("130100002"));
    }

    void subreport() {
        const LayoutControl& sub = named(QStringLiteral("SubTKV418R3"));
        QCOMPARE(sub.kind, ControlKind::Subreport);
        QCOMPARE(sub.left, 0);
        QCOMPARE(sub.top, 6255);
        QCOMPARE(sub.width, 16005);
        QCOMPARE(sub.height, 4020);
        QVERIFY(sub.visible);
    }
};

QTEST_GUILESS_MAIN(TestLayoutR1)
#include "tst_layout_r1.moc"
