#include "../support/LayoutChecks.h"
#include "PdfText.h"
#include "report/Controls.h"
#include "report/FileOutput.h"
#include "report/Layout.h"
#include "report/Report.h"
#include "report/print/Output.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <limits>
#include <map>

// The customer card's layout as the loader delivers it, held against the designer's tables:
// the values below are copied from those tables, not from the layout file.

using kema::Result;
using namespace kema::report;
using namespace kema::test;

Q_DECLARE_METATYPE(kema::report::ControlKind)
Q_DECLARE_METATYPE(kema::report::Align)

namespace {

const QString Mincho = QStringLiteral("ＭＳ 明朝");

const QList<int> FreeItemRows{90, 405, 720, 1035, 1350, 1665, 1980, 2295};
const QList<int> CellLefts{6806, 7192,  7576,  7962,  8348,  8734,  9120,  9506,
                           9892, 10290, 10664, 11050, 11460, 11840, 12220, 12600};
const QList<int> CellRules{6814, 7200,  7586,  7972,  8358,  8744,  9130,  9516,
                           9902, 10288, 10674, 11060, 11446, 11832, 12218, 12604};
constexpr int Categories[] = {11, 29, 30, 31};

QString layoutPath() {
    return QStringLiteral(KEMA_SOURCE_DIR "/layouts/TKV418R3.json");
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// A static caption as the tables give it.
struct Caption {
    int left;
    int top;
    int width;
    int height;
    double size;
    bool bold;
    Align align;
    QString text;
};

const QList<Caption>& designedCaptions() {
    static const QList<Caption> captions{
        {15, 2730, 660, 195, 9, false, Align::Left, QStringLiteral("所感：")},
        {6045, 150, 855, 240, 9, false, Align::Left, QStringLiteral("累計金額")},
        {7020, 45, 1920, 180, 9, false, Align::Center, QStringLiteral("メガネ累計金額")},
        {9000, 60, 1920, 180, 9, false, Align::Center, QStringLiteral("コンタクト累計金額")},
        {11040, 60, 1890, 180, 9, false, Align::Center, QStringLiteral("その他累計金額")},
        {6000, 3060, 585, 195, 8.25, false, Align::Center, QStringLiteral("接客")},
        {6705, 3060, 510, 195, 8.25, false, Align::Center, QStringLiteral("検眼")},
        {7305, 3060, 765, 195, 8.25, false, Align::Center, QStringLiteral("伝票入力")},
        {8115, 3060, 555, 195, 8.25, false, Align::Center, QStringLiteral("ｵｰﾀﾞｰ")},
        {8805, 3060, 555, 195, 8.25, false, Align::Center, QStringLiteral("加工")},
        {9420, 3060, 720, 195, 8.25, false, Align::Center, QStringLiteral("顧客登録")},
        {10125, 3060, 690, 195, 8.25, false, Align::Center, QStringLiteral("お渡し")},
        {10860, 3060, 660, 195, 8.25, false, Align::Center, QStringLiteral("ｱﾌﾀｰ")},
        {12094, 3075, 851, 189, 8.25, false, Align::Center, QStringLiteral("担当者")},
        {13230, 90, 2610, 180, 9, false, Align::Center, QStringLiteral("お買上明細")},
        {13170, 2640, 1350, 195, 9.75, true, Align::Left, QStringLiteral("小\u3000計")},
        {13165, 2925, 1350, 180, 9, false, Align::Left, QStringLiteral("消費税")},
        {13165, 3205, 1350, 180, 9, false, Align::Left, QStringLiteral("お買上額")},
        {13165, 3485, 1350, 180, 9, false, Align::Left, QStringLiteral("内\u3000金")},
        {13165, 3750, 1350, 180, 9, false, Align::Left, QStringLiteral("未入金")},
    };
    return captions;
}

// Data fields of every group, filled for the rendering check; their neighbours stay empty so
// that no two texts run together in the text layer.
const QList<std::pair<QString, QString>>& filledFields() {
    static const QList<std::pair<QString, QString>> fields{
        {"Fld_H_ITEM_NO_13", QStringLiteral("血液型")},
        {"Fld_H_ITEM_13", QStringLiteral("Ａ型")},
        {"Fld_H_ITEM_NO_20", QStringLiteral("誕生日")},
        {"Fld_H_ITEM_20", QStringLiteral("1998年03月15日")},
        {"Fld_H_ITEM_NO_21", QStringLiteral("来店回数")},
        {"Fld_H_ITEM_21", QStringLiteral("1,234")},
        {"Fld_H_ITEM_NO_28", QStringLiteral("視力")},
        {"Fld_H_ITEM_28", QStringLiteral("1.25")},
        {"Fld_SYOKAN", QStringLiteral("所感の欄")},
        {"Fld_CUBS_GL_AMT_SUM", QStringLiteral("1,234,567")},
        {"Fld_CUBS_CL_AMT_SUM", QStringLiteral("89,000")},
        {"Fld_CUBS_OTH_AMT_SUM", QStringLiteral("5,400")},
        {"Fld_H_ITEM_NO11", QStringLiteral("メガネ")},
        {"Fld_H_ITEM_NO11_01", QStringLiteral("遠用")},
        {"Fld_H_ITEM_11_01", QStringLiteral("1")},
        {"Fld_H_ITEM_NO11_16", QStringLiteral("偏光")},
        {"Fld_H_ITEM_11_16", QStringLiteral("2")},
        {"Fld_H_ITEM_NO29", QStringLiteral("コンタクト")},
        {"Fld_H_ITEM_NO29_05", QStringLiteral("乱視")},
        {"Fld_H_ITEM_29_10", QStringLiteral("3")},
        {"Fld_H_ITEM_NO30", QStringLiteral("ケア用品")},
        {"Fld_H_ITEM_NO30_12", QStringLiteral("洗浄")},
        {"Fld_H_ITEM_30_03", QStringLiteral("4")},
        {"Fld_H_ITEM_NO31", QStringLiteral("その他")},
        {"Fld_H_ITEM_NO31_08", QStringLiteral("補聴")},
        {"Fld_H_ITEM_31_14", QStringLiteral("5")},
        {"Fld_UMEISAI_01", QStringLiteral("レンズ")},
        {"Fld_UMEISAI_05", QStringLiteral("カード")},
        {"Fld_UMEISAI_08", QStringLiteral("入金計")},
    };
    return fields;
}

// The layout's own report with a sample of its data fields filled and shown.
class FilledCard : public Report {
public:
    FilledCard() : Report(QStringLiteral("TKV418R3")) {}
    void Report_ReportStart() override {
        for (const auto& [name, text] : filledFields()) {
            TextControl& field = textField(name);
            field.setText(text);
            field.setVisible(true);
        }
    }
};

QString withoutSpaces(QString text) {
    static const QRegularExpression spaces(QStringLiteral("[\\s\u3000]"));
    return text.remove(spaces);
}

} // namespace

Q_DECLARE_METATYPE(Caption)

class TestLayoutR3 : public QObject {
    Q_OBJECT

    LayoutPtr m_layout;
    QTemporaryDir m_dir;
    QList<PdfWord> m_designedWords;
    QList<PdfWord> m_filledWords;

    const LayoutControl& named(const QString& name) const { return namedControl(*m_layout, name); }

    // The designed box of a band position on the sheet, in points: the card printed on its
    // own lands at its designed margins.
    QRectF sheetBox(int left, int top, int width, int height) const {
        return QRectF((m_layout->leftMargin + left) / 20.0, (m_layout->topMargin + top) / 20.0,
                      width / 20.0, height / 20.0);
    }

    // The words printed on the first line of a box, left to right.
    static QList<PdfWord> wordsIn(const QList<PdfWord>& all, const QRectF& box) {
        QList<PdfWord> found;
        for (const PdfWord& w : all)
            if (qAbs(w.box.top() - box.top()) <= 1 && w.box.center().x() >= box.left() - 1 &&
                w.box.center().x() <= box.right() + 1)
                found << w;
        std::sort(found.begin(), found.end(),
                  [](const PdfWord& a, const PdfWord& b) { return a.box.left() < b.box.left(); });
        return found;
    }

    static void checkPrinted(const QList<PdfWord>& all, const QRectF& box, Align align,
                             const QString& text) {
        const QList<PdfWord> found = wordsIn(all, box);
        QString printed;
        QRectF ink;
        for (const PdfWord& w : found) {
            printed += w.text;
            ink = ink.united(w.box);
        }
        QCOMPARE(withoutSpaces(printed), withoutSpaces(text));
        verifyAligned(ink, box, align);
    }

    // The card's texts are all in one face.
    static void checkText(const LayoutControl& control, int left, int top, int width, int height,
                          double size, bool bold, Align align, bool visible, const QString& text) {
        QCOMPARE(control.kind, ControlKind::Text);
        verifyText(control, left, top, width, height, Mincho, size, bold, align, visible, text);
    }

    // The card printed on its own, once as designed and once with a sample of every group of
    // data fields filled.
    void render() {
        QVERIFY(m_dir.isValid());
        Report designed(QStringLiteral("TKV418R3"));
        const QString designedPdf = m_dir.filePath(QStringLiteral("designed.pdf"));
        const kema::Status drawn = renderPdf(designed, designedPdf);
        QVERIFY2(drawn.ok(), qPrintable(drawn ? QString() : drawn.error().description));
        m_designedWords = pdfWords(designedPdf);
        FilledCard filled;
        const QString filledPdf = m_dir.filePath(QStringLiteral("filled.pdf"));
        const kema::Status drawnFilled = renderPdf(filled, filledPdf);
        QVERIFY2(drawnFilled.ok(),
                 qPrintable(drawnFilled ? QString() : drawnFilled.error().description));
        m_filledWords = pdfWords(filledPdf);
        QVERIFY(!m_designedWords.isEmpty());
        QVERIFY(!m_filledWords.isEmpty());
    }

private slots:
    void initTestCase() {
        Result<LayoutPtr> loaded = loadLayoutFile(layoutPath());
        QVERIFY2(loaded.ok(), qPrintable(loaded ? QString() : loaded.error().description));
        m_layout = loaded.value();
        if (!toolPath("pdftotext").isEmpty())
            render();
    }

    void compiledInIsTheFile() { verifyCompiledIn(*m_layout); }

    void reportValues() {
        const ReportLayout& layout = *m_layout;
        QCOMPARE(layout.name, QStringLiteral("TKV418R3"));
        QCOMPARE(layout.printWidth, 16065);
        QCOMPARE(layout.leftMargin, 400);
        QCOMPARE(layout.rightMargin, 400);
        QCOMPARE(layout.topMargin, 1417);
        QCOMPARE(layout.bottomMargin, 200);
        QVERIFY(layout.documentName.isEmpty());
        QCOMPARE(layout.section.name, QStringLiteral("Detail"));
        QCOMPARE(layout.section.height, 4035);
        QCOMPARE(rgb(layout.section.backColor), White);
    }

    void countsPerKind() {
        std::map<ControlKind, int> counts = kindCounts(*m_layout);
        QCOMPARE(int(m_layout->controls.size()), 318);
        QCOMPARE(counts[ControlKind::Text], 196);
        QCOMPARE(counts[ControlKind::Line], 111);
        QCOMPARE(counts[ControlKind::Frame], 11);
        QCOMPARE(counts[ControlKind::Label], 0);
        QCOMPARE(counts[ControlKind::Barcode], 0);
        QCOMPARE(counts[ControlKind::Subreport], 0);
    }

    void ordinalsFollowTheList() { verifyOrdinals(*m_layout); }

    // The category cells overlap the rules between them; rules come after every text so that
    // no text box can hide one.
    void rulesDrawnOverTexts() {
        int lastText = 0;
        int firstRule = std::numeric_limits<int>::max();
        for (const LayoutControl& control : m_layout->controls) {
            if (control.kind == ControlKind::Text)
                lastText = std::max(lastText, control.ordinal);
            else
                firstRule = std::min(firstRule, control.ordinal);
        }
        QVERIFY(lastText < firstRule);
    }

    void onlyTheCategoryCaptionsAreHidden() {
        QStringList hidden;
        for (const LayoutControl& control : m_layout->controls)
            if (!control.visible)
                hidden << control.name;
        hidden.sort();
        QCOMPARE(hidden, (QStringList{"Fld_H_ITEM_NO11", "Fld_H_ITEM_NO29", "Fld_H_ITEM_NO30",
                                      "Fld_H_ITEM_NO31"}));
    }

    void textFamilies_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("lefts");
        QTest::addColumn<QList<int>>("tops");
        QTest::addColumn<QList<int>>("widths");
        QTest::addColumn<int>("height");
        QTest::addColumn<Align>("align");
        // Every member of the family matches this and no other control does.
        QTest::addColumn<QString>("pattern");

        const auto freeItems = [](const char* prefix, int first) {
            QStringList names;
            for (int r = 0; r < 8; ++r)
                names << QLatin1String(prefix) + QString::number(first + r);
            return names;
        };
        const auto same = [](int value, int count) { return QList<int>(count, value); };
        QTest::newRow("item captions 13-20")
            << freeItems("Fld_H_ITEM_NO_", 13) << same(45, 8) << FreeItemRows << same(1400, 8)
            << 225 << Align::Left << "^Fld_H_ITEM_NO_(1[3-9]|20)$";
        QTest::newRow("item values 13-20")
            << freeItems("Fld_H_ITEM_", 13) << same(1485, 8) << FreeItemRows << same(1300, 8) << 225
            << Align::Left << "^Fld_H_ITEM_(1[3-9]|20)$";
        QTest::newRow("item captions 21-28")
            << freeItems("Fld_H_ITEM_NO_", 21) << same(2970, 8) << FreeItemRows << same(1400, 8)
            << 225 << Align::Left << "^Fld_H_ITEM_NO_2[1-8]$";
        QTest::newRow("item values 21-28")
            << freeItems("Fld_H_ITEM_", 21) << same(4410, 8) << FreeItemRows << same(1300, 8) << 225
            << Align::Left << "^Fld_H_ITEM_2[1-8]$";

        const std::map<int, std::pair<int, int>> rowTops{
            {11, {705, 945}}, {29, {1275, 1515}}, {30, {1875, 2115}}, {31, {2445, 2685}}};
        for (int category : Categories) {
            QList<int> widths = same(390, 16);
            if (category == 11)
                widths.last() = 360;
            const auto cells = [&](const char* prefix) {
                QStringList names;
                for (int p = 1; p <= 16; ++p)
                    names << QLatin1String(prefix) + QString::number(category) + u'_' +
                                 twoDigits(p);
                return names;
            };
            const QString c = QString::number(category);
            QTest::addRow("detail names %d", category)
                << cells("Fld_H_ITEM_NO") << CellLefts << same(rowTops.at(category).first, 16)
                << widths << 150 << Align::Center << "^Fld_H_ITEM_NO" + c + "_\\d\\d$";
            QTest::addRow("marks %d", category)
                << cells("Fld_H_ITEM_") << CellLefts << same(rowTops.at(category).second, 16)
                << widths << 150 << Align::Center << "^Fld_H_ITEM_" + c + "_\\d\\d$";
        }
    }

    // Every member of every family: data fields, empty as designed.
    void textFamilies() {
        QFETCH(QStringList, names);
        QFETCH(QList<int>, lefts);
        QFETCH(QList<int>, tops);
        QFETCH(QList<int>, widths);
        QFETCH(int, height);
        QFETCH(Align, align);
        QFETCH(QString, pattern);
        for (qsizetype i = 0; i < names.size(); ++i)
            checkText(named(names[i]), lefts[i], tops[i], widths[i], height, 8.25, false, align,
                      true, QString());
        const QRegularExpression member(pattern);
        int members = 0;
        for (const LayoutControl& control : m_layout->controls)
            members += member.match(control.name).hasMatch() ? 1 : 0;
        QCOMPARE(members, int(names.size()));
    }

    void namedTexts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("size");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<Align>("align");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("text");

        const auto row = [](const QString& name, int left, int top, int width, int height,
                            double size, bool bold, Align align, bool visible,
                            const QString& text) {
            QTest::newRow(qPrintable(name)) << name << left << top << width << height << size
                                            << bold << align << visible << text;
        };
        const auto L = Align::Left;
        const auto C = Align::Center;
        row("Fld_SYOKAN", 90, 2940, 5625, 945, 8.25, false, L, true, {});
        row("Field2", 6045, 150, 855, 240, 9, false, L, true, QStringLiteral("累計金額"));
        row("Field3", 7020, 45, 1920, 180, 9, false, C, true, QStringLiteral("メガネ累計金額"));
        row("Field4", 9000, 60, 1920, 180, 9, false, C, true, QStringLiteral("コンタクト累計金額"));
        row("Field8", 11040, 60, 1890, 180, 9, false, C, true, QStringLiteral("その他累計金額"));
        row("Fld_CUBS_GL_AMT_SUM", 7020, 315, 1920, 180, 9, false, C, true, {});
        row("Fld_CUBS_CL_AMT_SUM", 8985, 315, 1920, 180, 9, false, C, true, {});
        row("Fld_CUBS_OTH_AMT_SUM", 11040, 315, 1860, 180, 9, false, C, true, {});
        row("Fld_H_ITEM_NO11", 5940, 825, 885, 240, 8.25, false, L, false, {});
        row("Fld_H_ITEM_NO29", 5940, 1395, 885, 240, 8.25, false, L, false, {});
        row("Fld_H_ITEM_NO30", 5940, 2010, 885, 240, 8.25, false, L, false, {});
        row("Fld_H_ITEM_NO31", 5940, 2550, 885, 240, 8.25, false, L, false, {});
        const QList<int> detailTops{360, 640, 935, 1215, 1480, 1790, 2085, 2365};
        for (int i = 1; i <= 8; ++i)
            row("Fld_UMEISAI_" + twoDigits(i), 13165, detailTops[i - 1], 1350, 180, 8.25, false, L,
                true, {});
        row("Fld_UMEISAI_09", 13170, 2640, 1350, 195, 9.75, true, L, true,
            QStringLiteral("小\u3000計"));
        row("Fld_UMEISAI_10", 13165, 2925, 1350, 180, 9, false, L, true, QStringLiteral("消費税"));
        row("Fld_UMEISAI_11", 13165, 3205, 1350, 180, 9, false, L, true,
            QStringLiteral("お買上額"));
        row("Fld_UMEISAI_12", 13165, 3485, 1350, 180, 9, false, L, true,
            QStringLiteral("内\u3000金"));
        row("Fld_UMEISAI_13", 13165, 3750, 1350, 180, 9, false, L, true, QStringLiteral("未入金"));
    }

    void namedTexts() {
        QFETCH(QString, name);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, size);
        QFETCH(bool, bold);
        QFETCH(Align, align);
        QFETCH(bool, visible);
        QFETCH(QString, text);
        checkText(named(name), left, top, width, height, size, bold, align, visible, text);
    }

    void captions_data() {
        QTest::addColumn<Caption>("caption");
        for (const Caption& caption : designedCaptions())
            QTest::newRow(qPrintable(caption.text)) << caption;
    }

    // Captions are found where the tables place them; those the card code does not address
    // keep numbered default names.
    void captions() {
        QFETCH(Caption, caption);
        QList<const LayoutControl*> found;
        for (const LayoutControl& control : m_layout->controls)
            if (control.left == caption.left && control.top == caption.top)
                found << &control;
        QCOMPARE(found.size(), 1);
        const LayoutControl& control = *found.first();
        QVERIFY2(QRegularExpression(QStringLiteral("^(Field\\d+|Fld_UMEISAI_(09|1[0-3]))$"))
                     .match(control.name)
                     .hasMatch(),
                 qPrintable(control.name));
        checkText(control, caption.left, caption.top, caption.width, caption.height, caption.size,
                  caption.bold, caption.align, true, caption.text);
    }

    void frames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        const auto row = [](const char* name, int left, int top, int width, int height) {
            QTest::newRow(name) << QString::fromLatin1(name) << left << top << width << height;
        };
        row("Shape1", 0, 15, 2835, 2550);
        row("Shape2", 2925, 15, 2835, 2550);
        row("Shape3", 0, 2685, 5760, 1305);
        row("Shape4", 5910, 15, 7080, 510);
        row("Shape5", 5910, 645, 7080, 510);
        row("Shape6", 5910, 1235, 7080, 510);
        row("Shape7", 5910, 1813, 7080, 510);
        row("Shape8", 5910, 2406, 7080, 510);
        row("Shape9", 5910, 3045, 5670, 945);
        row("Shape10", 12045, 3030, 945, 960);
        row("Shape11", 13125, 15, 2865, 3975);
    }

    void frames() {
        QFETCH(QString, name);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        const LayoutControl& frame = named(name);
        QCOMPARE(frame.kind, ControlKind::Frame);
        QCOMPARE(frame.left, left);
        QCOMPARE(frame.top, top);
        QCOMPARE(frame.width, width);
        QCOMPARE(frame.height, height);
        QCOMPARE(frame.lineWeight, 1);
        QCOMPARE(rgb(frame.lineColor), Black);
        QVERIFY(!frame.filled);
        QVERIFY(frame.visible);
    }

    void cumulativeAmountLines() {
        const LayoutControl& rule = named(QStringLiteral("Line203"));
        QCOMPARE(rule.kind, ControlKind::Line);
        QCOMPARE(QList<int>({rule.left, rule.top, rule.width, rule.height}),
                 QList<int>({7005, 270, 12975, 270}));
        const std::pair<const char*, int> verticals[] = {
            {"Line204", 7003}, {"Line205", 8959}, {"Line206", 10965}};
        for (const auto& [name, x] : verticals) {
            const LayoutControl& line = named(QLatin1String(name));
            QCOMPARE(line.kind, ControlKind::Line);
            QCOMPARE(line.left, x);
            QCOMPARE(line.width, x);
            QVERIFY2(line.top == 15 || line.top == 19, name);
            QCOMPARE(line.height, 525);
        }
    }

    void lines_data() {
        QTest::addColumn<int>("x1");
        QTest::addColumn<int>("y1");
        QTest::addColumn<int>("x2");
        QTest::addColumn<int>("y2");
        const auto row = [](int x1, int y1, int x2, int y2) {
            QTest::addRow("(%d,%d)-(%d,%d)", x1, y1, x2, y2) << x1 << y1 << x2 << y2;
        };
        for (int y : {345, 645, 975, 1290, 1605, 1920, 2242})
            row(0, y, 2835, y);
        for (int y : {345, 645, 975, 1290, 1605, 1920, 2235})
            row(2925, y, 5760, y);
        row(1440, 15, 1440, 2565);
        row(4365, 15, 4365, 2565);
        for (int y : {900, 1490, 2068, 2661})
            row(6814, y, 12990, y);
        row(5910, 3255, 11580, 3255);
        for (int x : {6615, 7320, 8025, 8730, 9435, 10140, 10845})
            row(x, 3045, x, 3975);
        row(12047, 3264, 12992, 3264);
        row(14535, 300, 14535, 3975);
        for (int y : {300, 585, 870, 1155, 1440, 1725, 2010, 2295, 2580, 2865, 3150, 3420, 3705})
            row(13125, y, 15975, y);
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
        QVERIFY(found.first()->name.startsWith(QStringLiteral("Line")));
        QCOMPARE(found.first()->lineWeight, 1);
        QCOMPARE(rgb(found.first()->lineColor), Black);
        QVERIFY(found.first()->visible);
    }

    void categoryRules_data() {
        QTest::addColumn<int>("top");
        QTest::addColumn<QList<int>>("bottoms");
        QList<int> first(16, 1152);
        first.last() = 1142;
        QTest::newRow("Shape5") << 642 << first;
        QTest::newRow("Shape6") << 1235 << QList<int>(16, 1745);
        QTest::newRow("Shape7") << 1813 << QList<int>(16, 2323);
        QTest::newRow("Shape8") << 2406 << QList<int>(16, 2916);
    }

    // The sixteen rules between the cells of one category frame.
    void categoryRules() {
        QFETCH(int, top);
        QFETCH(QList<int>, bottoms);
        QList<int> xs;
        QList<int> ends;
        for (const LayoutControl& control : m_layout->controls)
            if (control.kind == ControlKind::Line && control.top == top &&
                control.left == control.width) {
                xs << control.left;
                ends << control.height;
            }
        QCOMPARE(xs, CellRules);
        QCOMPARE(ends, bottoms);
    }

    void lineDirections() {
        int horizontal = 0;
        int vertical = 0;
        for (const LayoutControl& line : m_layout->controls) {
            if (line.kind != ControlKind::Line)
                continue;
            QVERIFY(line.visible);
            QCOMPARE(line.lineWeight, 1);
            QCOMPARE(rgb(line.lineColor), Black);
            if (line.top == line.height && line.left != line.width)
                ++horizontal;
            else if (line.left == line.width && line.top != line.height)
                ++vertical;
        }
        QCOMPARE(horizontal, 34);
        QCOMPARE(vertical, 77);
    }

    void namesTheCardCodeUses_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<ControlKind>("kind");
        const auto row = [](const QString& name, ControlKind kind) {
            QTest::newRow(qPrintable(name)) << name << kind;
        };
        const auto T = ControlKind::Text;
        row("Fld_SYOKAN", T);
        for (int item = 13; item <= 28; ++item) {
            row("Fld_H_ITEM_NO_" + QString::number(item), T);
            row("Fld_H_ITEM_" + QString::number(item), T);
        }
        for (int category : Categories) {
            row("Fld_H_ITEM_NO" + QString::number(category), T);
            for (int p = 1; p <= 16; ++p) {
                const QString suffix = QString::number(category) + u'_' + twoDigits(p);
                row("Fld_H_ITEM_NO" + suffix, T);
                row("Fld_H_ITEM_" + suffix, T);
            }
        }
        for (const char* name : {"Field2", "Field3", "Field4", "Field8", "Fld_CUBS_GL_AMT_SUM",
                                 "Fld_CUBS_CL_AMT_SUM", "Fld_CUBS_OTH_AMT_SUM"})
            row(QLatin1String(name), T);
        row("Shape4", ControlKind::Frame);
        for (const char* name : {"Line203", "Line204", "Line205", "Line206"})
            row(QLatin1String(name), ControlKind::Line);
        for (int i = 1; i <= 13; ++i)
            row("Fld_UMEISAI_" + twoDigits(i), T);
    }

    void namesTheCardCodeUses() {
        QFETCH(QString, name);
        QFETCH(ControlKind, kind);
        const LayoutControl* control = m_layout->find(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->kind, kind);
    }

    void captionsPrintWhereDesigned_data() { captions_data(); }

    void captionsPrintWhereDesigned() {
        QFETCH(Caption, caption);
        if (toolPath("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        checkPrinted(m_designedWords,
                     sheetBox(caption.left, caption.top, caption.width, caption.height),
                     caption.align, caption.text);
    }

    // Data fields carry no sample and the category captions are hidden: the card as designed
    // prints its captions and nothing else.
    void designedCardPrintsOnlyItsCaptions() {
        if (toolPath("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QString expected;
        for (const Caption& caption : designedCaptions())
            expected += withoutSpaces(caption.text);
        QString printed;
        for (const PdfWord& w : m_designedWords)
            printed += withoutSpaces(w.text);
        std::sort(expected.begin(), expected.end());
        std::sort(printed.begin(), printed.end());
        QCOMPARE(printed, expected);
    }

    void filledFieldsPrintInTheirBoxes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        for (const auto& [name, text] : filledFields())
            QTest::newRow(qPrintable(name)) << name << text;
    }

    void filledFieldsPrintInTheirBoxes() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        if (toolPath("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const LayoutControl& c = named(name);
        checkPrinted(m_filledWords, sheetBox(c.left, c.top, c.width, c.height), c.align, text);
    }
};

QTEST_MAIN(TestLayoutR3)
#include "tst_layout_r3.moc"
