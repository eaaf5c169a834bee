#include "request/TKV418C1.h"
#include "services/ErrorNumbers.h"

#include "report/ReportFactory.h"
#include "report/Viewer.h"
#include "report/print/Output.h"
#include "request/Application.h"
#include "request/Dispatch.h"
#include "services/components/Components.h"
#include "services/host/SharedRequestState.h"
#include "services/messages/Messages.h"
#include "services/settings/Settings.h"

#include <QGuiApplication>

#include <cstdio>
#include <optional>
#include <utility>

namespace kema {

namespace {

SharedRequestState& shared() {
    return SharedRequestState::instance();
}

// A launcher failure has no catalogue code: it goes to the platform message box, so that an
// operator at the counter sees it, and to standard error for the workstation's log.
void showLaunchFailure(const Error& error) {
    showPlatformMessageBoxAndLog(QString::number(error.number) + u' ' + error.description,
                                 QStringLiteral("TKV418C1.prf_print"));
}

// Why this process cannot produce the slip the request asks for, before anything is created:
// Qt aborts the process on a paint device without a GUI application, and a modal window on a
// platform that shows none would wait for ever.
std::optional<Error> launchRefusal(bool preview) {
    const QString source = QStringLiteral("TKV418C1");
    QCoreApplication* app = QCoreApplication::instance();
    const bool gui = preview ? app && app->inherits("QApplication")
                             : qobject_cast<QGuiApplication*>(app) != nullptr;
    if (!gui)
        return Error{errors::NoGuiApplication, source,
                     preview ? QStringLiteral("this component needs a GUI application object "
                                              "(a QApplication for the preview)")
                             : QStringLiteral("this component needs a GUI application object "
                                              "(a QGuiApplication)")};
    if (preview && !request::previewCanBeShown())
        return Error{errors::NoDisplay, source,
                     QStringLiteral("the preview needs a display, and the platform \"%1\" shows "
                                    "no window: print (PrintKbnL 0) or run with a display")
                         .arg(QGuiApplication::platformName())};
    return std::nullopt;
}

} // namespace

TKV418C1::TKV418C1(QObject* parent) : QObject(parent) {}

TKV418C1::~TKV418C1() = default;

qint32 TKV418C1::RaitenDenpyoPRINT() {
    if (prf_propchk() == -1)
        return -1;
    if (m_kidouKbnL == 1 || m_kidouKbnL == 2)
        return prf_choice();
    return -1;
}

qint16 TKV418C1::prf_propchk() {
    // The order is fixed: the first failing test decides the one message shown.
    const std::pair<bool, const char*> tests[] = {
        {m_kidouKbnL != 1 && m_kidouKbnL != 2, "30008"},
        {m_kidouKbnL == 1 && m_syoriKbnL != 1 && m_syoriKbnL != 2, "30009"},
        {m_qNumberL.isEmpty() && m_barcodeKbnL == 1, "30009"},
        {m_denpKbnL != 1 && m_denpKbnL != 2, "30010"},
        {m_storeCodeL.isEmpty() || m_storeCodeL == u"0", "30011"},
        {m_userUQKeyL == 0 && m_syoriKbnL == 2, "30012"},
        {m_outNumberL == 0 && m_printKbnL == 0, "30013"},
        {m_outKbnL != 1 && m_outKbnL != 2, "30014"},
        {m_printKbnL != 1 && m_printKbnL != 0, "30015"},
    };
    for (const auto& [fails, code] : tests) {
        if (fails) {
            prf_msgdsp(QString::fromLatin1(code));
            return -1;
        }
    }
    return 0;
}

void TKV418C1::prf_msgdsp(const QString& code) {
    showCatalogueMessage(messageComponent(), code, QVariant::fromValue<qint32>(0),
                         QStringLiteral("TKV418C1_prf_propchk"));
}

qint16 TKV418C1::prf_choice() {
    const bool offsetForms =
        GetSetting(QStringLiteral("NWLS\\Common"), QStringLiteral("KIGYO")) == u"000008";
    switch (m_denpKbnL) {
    case 1:
        return prf_print(offsetForms ? QStringLiteral("TKV418R4") : QStringLiteral("TKV418R1"));
    case 2:
        return prf_print(offsetForms ? QStringLiteral("TKV418R5") : QStringLiteral("TKV418R2"));
    default:
        return -1;
    }
}

qint16 TKV418C1::prf_print(const QString& reportClass) {
    if (const std::optional<Error> refusal = launchRefusal(m_printKbnL == 1 && !m_fileTarget)) {
        showLaunchFailure(*refusal);
        return -1;
    }
    auto created = report::ReportFactory::instance().create(reportClass);
    if (!created) {
        showLaunchFailure(created.error());
        return -1;
    }
    report::Report& report = *created.value();
    if (Status copied = applyRequest(report); !copied) {
        showLaunchFailure(copied.error());
        return -1;
    }
    report::Viewer& viewer = report.viewer();
    viewer.windowHeight = 11100;
    viewer.windowWidth = 15360;
    viewer.caption = QStringLiteral("来店伝票");
    report.setCopies(m_outNumberL);
    applyOutput(report);
    const Status run = report::execute(report);
    return launchResult(run, report);
}

Status TKV418C1::applyRequest(report::Report& report) const {
    for (const request::DispatchMember& member : request::members()) {
        if (member.copied != request::Copied::ToReport)
            continue;
        const QString name = QString::fromLatin1(member.name);
        if (Status set = request::setProperty(report, name, property(member.name)); !set)
            return set;
    }
    return {};
}

void TKV418C1::applyOutput(report::Report& report) const {
    if (m_fileTarget)
        report.setTarget(m_fileTarget->target, m_fileTarget->file, m_fileTarget->dpi);
    else
        report.setTarget(m_printKbnL == 1 ? report::Target::Preview : report::Target::Printer);
}

// The one rule for the result: -1 when the engine reports a failure or the run left
// PrintErrorFlag at -1. A flag left at 0 by an earlier run never turns a failure into 0.
qint16 TKV418C1::launchResult(const Status& run, const report::Report& report) {
    if (!run) {
        shared().PrintErrorFlag = -1;
        showLaunchFailure(run.error());
    }
    const auto flag = request::property(report, u"PrintErrorFlag");
    if (!flag)
        showLaunchFailure(flag.error());
    if (const auto printed = request::property(report, u"PRINT_OUT"))
        shared().PRINT_OUT = printed.value().value<qint16>();
    const bool failed = !run || !flag || flag.value().value<qint16>() == -1;
    return failed ? -1 : 0;
}

void TKV418C1::setFileTarget(report::Target target, const QString& file, int dpi) {
    m_fileTarget = FileTarget{target, file, dpi};
}

void TKV418C1::clearFileTarget() {
    m_fileTarget.reset();
}

void TKV418C1::setDenpyoNo(const QString& value) {
    shared().DenpyoNo = value;
}
QString TKV418C1::denpyoNo() const {
    return shared().DenpyoNo;
}
qint16 TKV418C1::PRINT_OUT() const {
    return shared().PRINT_OUT;
}
void TKV418C1::setDBconnection(db::ConnectionPtr connection) {
    shared().DBconnection = std::move(connection);
}
db::ConnectionPtr TKV418C1::dbConnection() const {
    return shared().DBconnection;
}
void TKV418C1::setHOME_TEL(const QString& value) {
    shared().HOME_TEL = value;
}
QString TKV418C1::homeTel() const {
    return shared().HOME_TEL;
}
void TKV418C1::setRENRAKUSAKI(const QString& value) {
    shared().RENRAKUSAKI = value;
}
QString TKV418C1::renrakusaki() const {
    return shared().RENRAKUSAKI;
}
void TKV418C1::setRENRAKUBIKOU(const QString& value) {
    shared().RENRAKUBIKOU = value;
}
QString TKV418C1::renrakubikou() const {
    return shared().RENRAKUBIKOU;
}
void TKV418C1::setKANA(const QString& value) {
    shared().KANA = value;
}
QString TKV418C1::kana() const {
    return shared().KANA;
}
void TKV418C1::setKANJI(const QString& value) {
    shared().KANJI = value;
}
QString TKV418C1::kanji() const {
    return shared().KANJI;
}
void TKV418C1::setSEX(qint16 value) {
    shared().SEX = value;
}
qint16 TKV418C1::sex() const {
    return shared().SEX;
}
void TKV418C1::setBIRTH(const QString& value) {
    shared().BIRTH = value;
}
QString TKV418C1::birth() const {
    return shared().BIRTH;
}

} // namespace kema
