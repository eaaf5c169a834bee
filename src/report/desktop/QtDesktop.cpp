#include "report/desktop/QtDesktop.h"

#include "report/desktop/PreviewDialog.h"
#include "services/messages/Messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace kema::report {

namespace {

class QtPrinter final : public Printer {
public:
    QString queueName() const override {
        return m_printer.outputFormat() == QPrinter::NativeFormat ? m_printer.printerName()
                                                                  : QString();
    }
    void setQueueName(const QString& queue) override {
        m_printer.setOutputFormat(QPrinter::NativeFormat);
        m_printer.setPrinterName(queue);
    }
    QString outputFile() const override {
        return m_printer.outputFormat() == QPrinter::PdfFormat ? m_printer.outputFileName()
                                                               : QString();
    }
    QStringList availableQueues() const override { return QPrinterInfo::availablePrinterNames(); }
    QPageLayout pageLayout() const override { return m_printer.pageLayout(); }
    void setPageSize(const QPageSize& size) override { m_printer.setPageSize(size); }
    void setPageOrientation(QPageLayout::Orientation orientation) override {
        m_printer.setPageOrientation(orientation);
    }
    int resolution() const override { return m_printer.resolution(); }
    std::pair<int, int> pageRange() const override {
        if (m_printer.printRange() != QPrinter::PageRange)
            return {0, 0};
        return {m_printer.fromPage(), m_printer.toPage()};
    }
    void printAllPages() override { m_printer.setPrintRange(QPrinter::AllPages); }
    int copyCount() const override { return m_printer.copyCount(); }
    void setCopyCount(int copies) override { m_printer.setCopyCount(copies); }
    QPagedPaintDevice& fileJobDevice(const QString& title, int copies,
                                     QPageLayout::Orientation orientation) override {
        m_printer.setDocName(title);
        m_printer.setFullPage(true);
        m_printer.setCopyCount(copies);
        m_printer.setCollateCopies(true);
        m_printer.setPageOrientation(orientation);
        return m_printer;
    }
    bool jobFailed() const override { return m_printer.printerState() == QPrinter::Error; }

    QPrinter& printer() { return m_printer; }

private:
    QPrinter m_printer{QPrinter::HighResolution};
};

class QtDesktop final : public Desktop {
public:
    QCoreApplication* createApplication(int& argc, char** argv) override {
        return new QApplication(argc, argv);
    }
    std::unique_ptr<Printer> createPrinter() override { return std::make_unique<QtPrinter>(); }
    bool runPrintDialog(Printer& printer, QWidget* parent) override {
        QPrintDialog dialog(&qPrinter(printer), parent);
        return dialog.exec() == QDialog::Accepted;
    }
    void showWarning(const QString& text, QWidget* parent) override {
        QMessageBox::warning(parent, parent ? parent->windowTitle() : QString(), text);
    }
    bool showMessageBox(const DesktopMessage& message) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return false;
        QMessageBox box(message.critical ? QMessageBox::Critical : QMessageBox::Warning,
                        message.title, message.text, QMessageBox::Ok);
        if (!message.detail.isEmpty())
            box.setInformativeText(message.detail);
        box.exec();
        return true;
    }
    void showPreview(PreviewModel& model) override {
        PreviewDialog dialog(model);
        dialog.exec();
    }
};

} // namespace

Desktop& qtDesktop() {
    static QtDesktop desktop;
    return desktop;
}

QPrinter& qPrinter(Printer& printer) {
    return static_cast<QtPrinter&>(printer).printer();
}

} // namespace kema::report
