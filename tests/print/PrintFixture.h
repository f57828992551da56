#pragma once
// The main window with its printer writing PDF files, so that a test reads
// back what was printed.

#include "support/MainWindowFixture.h"

#include <QPrinter>

class PrintFixture : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        main.Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        main.Printer->setOutputFormat(QPrinter::PdfFormat);
    }
};
