// main() for widget tests: the program's own application object, so that the
// windows get their key preview, fonts and translations as in the program.
#pragma once

#include "application.h"

#include <QTest>

#define KRV_TEST_MAIN(TestClass)                                                                   \
    int main(int argc, char** argv) {                                                              \
        krv::application app(argc, argv);                                                          \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
