#pragma once
// Included first into every source of the core and of the command-line
// program: a Qt module that draws has no place there.

#if defined(QT_GUI_LIB) || defined(QT_WIDGETS_LIB) || defined(QT_PRINTSUPPORT_LIB) || defined(QT_SVG_LIB)
#error "the core and tq612-cli are built on Qt Core and Qt SerialPort only; windows belong in src/ui"
#endif
