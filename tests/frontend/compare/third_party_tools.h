// The third-party readers the tests check our files with.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include "tests/support/have_program.h"

namespace kel::compare::testing {

// The program's standard output; empty when it failed.
inline QString RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace kel::compare::testing
