#include "modPublic.h"

#include "DataFolder.h"
#include "INIfunc.h"
#include "IniNames.h"
#include "SafeSave.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <cerrno>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

QString ProgramFolder;
QString SettingsFile;
QString CourseFile;
QString DefaultCourseFile;
QString MovieFolder;
QString DocumentFolder;

namespace {

QString runningProgramFolder()
{
    if (QCoreApplication::instance())
        return WithSeparator(QCoreApplication::applicationDirPath());
    return WithSeparator(QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).path());
}

std::function<bool()> capsLockProbe;

bool xkbCapsLock()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    bool on = false;
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) {
        const Atom capsName = XInternAtom(display, "Caps Lock", True);
        Bool state = False;
        if (capsName != None && XkbGetNamedIndicator(display, capsName, nullptr, &state, nullptr, nullptr)) {
            on = state;
        } else {
            unsigned int indicators = 0;
            if (XkbGetIndicatorState(display, XkbUseCoreKbd, &indicators) == Success)
                on = indicators & 1; // Caps Lock is the first indicator on standard keymaps
        }
    }
    XCloseDisplay(display);
    return on;
}

} // namespace

void SetPaths()
{
    SetPaths(runningProgramFolder());
}

void SetPaths(const QString& programFolder)
{
    ProgramFolder = WithSeparator(programFolder);
    SettingsFile = ProgramFolder + QStringLiteral("Instellingen.ini");
    CourseFile = ProgramFolder + QStringLiteral("swf/Omschrijving.ini");
    DefaultCourseFile = ProgramFolder + QStringLiteral("swf/STDOmschrijving.ini");
    MovieFolder = ProgramFolder + QStringLiteral("swf/");
}

void SetDocumentFolder()
{
    DocumentFolder = DocumentFolderOf(ReadINI(SettingsFile, ProfileSection, DocumentFolderKey, QStringLiteral("0")));
}

QString DocumentFolderOf(const QString& stored)
{
    const QString programFolder = ProgramFolder.isEmpty() ? runningProgramFolder() : ProgramFolder;
    if (IsDefaultDocumentSetting(stored))
        return programFolder + QStringLiteral("Documenten/");
    return WithSeparator(stored);
}

bool IsDefaultDocumentSetting(const QString& stored)
{
    // "00" or a quoted " 0" are folder names; only the exact "0" and no name at all are not.
    return stored == QLatin1String("0") || stored.trimmed().isEmpty();
}

bool SettingsFileUnreadable(int* error)
{
    int reason = 0;
    if (!IsUnreadable(SettingsFile, &reason) || reason == EISDIR)
        return false;
    *error = reason;
    return true;
}

bool IsCapsLockOn()
{
    if (capsLockProbe)
        return capsLockProbe();
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    return xkbCapsLock();
}

void SetCapsLockProbe(std::function<bool()> probe)
{
    capsLockProbe = std::move(probe);
}
