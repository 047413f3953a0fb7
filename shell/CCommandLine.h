#pragma once
// Linquo's own command-line options, read before the application object exists so that
// "--help" and "--version" work without a display. Qt's standard options (-platform,
// -style, -session...) pass through to the application object; anything else is refused.

#include <QStringList>

#include <optional>

class QTextStream;

class CCommandLine {
public:
    // Exit code 2, the usual one for a wrong command line.
    static constexpr int kUsageError = 2;

    // The exit code when the program is to end at once (after the help, the version or
    // an error), nothing when it is to start. arguments include the program name.
    static std::optional<int> Handle(const QStringList& arguments, QTextStream& out,
                                     QTextStream& err);
};
