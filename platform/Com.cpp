#include "platform/Com.h"

#include "platform/ModuleRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTextStream>

#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <mutex>

namespace {
Q_LOGGING_CATEGORY(lcModules, "tombrello.modules")

struct GuidLess {
    bool operator()(const GUID &a, const GUID &b) const { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
};

std::map<GUID, ClassFactory, GuidLess> &ClassTable()
{
    static std::map<GUID, ClassFactory, GuidLess> table;
    return table;
}

int g_coInitDepth = 0;

// Parses one registration file: "CLSID={...}" and "Library=path" lines; a
// relative library path is taken from the file's folder.
bool ReadRegistration(const QString &file, GUID *clsid, QString *library)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool haveClass = false;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'#'))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("CLSID"))
            haveClass = GuidFromString(value.toStdString(), clsid);
        else if (key == QLatin1String("Library"))
            *library = QFileInfo(value).isAbsolute() ? value : QFileInfo(file).dir().filePath(value);
    }
    return haveClass && !library->isEmpty();
}

ModuleFactory LoadFactory(const QString &library)
{
    static std::mutex lock;
    static std::map<std::string, ModuleFactory> loaded;
    const std::string path = library.toStdString();
    std::lock_guard<std::mutex> guard(lock);
    if (auto it = loaded.find(path); it != loaded.end())
        return it->second;
    // Modules stay loaded for the life of the process: objects they made may outlive any caller.
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        qCWarning(lcModules) << "cannot load module" << library << dlerror();
        return nullptr;
    }
    auto factory = reinterpret_cast<ModuleFactory>(dlsym(handle, kModuleFactorySymbol));
    if (!factory)
        qCWarning(lcModules) << "module" << library << "has no factory";
    loaded[path] = factory;
    return factory;
}
} // namespace

std::string GuidToString(const GUID &g)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

bool GuidFromString(const std::string &text, GUID *out)
{
    unsigned d1, d2, d3, b[8];
    char close = 0;
    if (std::sscanf(text.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x%c", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3],
                    &b[4], &b[5], &b[6], &b[7], &close) != 12 ||
        close != '}')
        return false;
    out->Data1 = d1;
    out->Data2 = static_cast<std::uint16_t>(d2);
    out->Data3 = static_cast<std::uint16_t>(d3);
    for (int i = 0; i < 8; ++i)
        out->Data4[i] = static_cast<std::uint8_t>(b[i]);
    return true;
}

void CoRegisterClass(REFCLSID clsid, ClassFactory factory)
{
    if (factory)
        ClassTable()[clsid] = std::move(factory);
    else
        ClassTable().erase(clsid);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown *outer, DWORD, REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (auto it = ClassTable().find(clsid); it != ClassTable().end())
        return it->second(riid, ppv);
    return CreateFromModule(clsid, riid, ppv);
}

HRESULT CoInitializeEx(void *, DWORD)
{
    return ++g_coInitDepth == 1 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (g_coInitDepth > 0)
        --g_coInitDepth;
}

int CoInitializeDepth()
{
    return g_coInitDepth;
}

std::vector<std::string> ModuleSearchPath()
{
    std::vector<std::string> dirs;
    if (const char *env = std::getenv("TOMBRELLO_MODULE_PATH")) {
        for (const QString &d : QString::fromLocal8Bit(env).split(u':', Qt::SkipEmptyParts))
            dirs.push_back(d.toStdString());
        return dirs;
    }
    const QString exeDir = QCoreApplication::applicationDirPath();
    dirs.push_back(QDir(exeDir).filePath(QStringLiteral("modules")).toStdString());
    dirs.push_back(QDir(exeDir).filePath(QStringLiteral("../share/tombrello/modules")).toStdString());
#ifdef TOMBRELLO_DATADIR
    dirs.push_back(TOMBRELLO_DATADIR "/modules");
#endif
    return dirs;
}

HRESULT CreateFromModule(REFCLSID clsid, REFIID riid, void **ppv)
{
    for (const std::string &dir : ModuleSearchPath()) {
        const QDir folder(QString::fromStdString(dir));
        for (const QString &name : folder.entryList({QStringLiteral("*.module")}, QDir::Files, QDir::Name)) {
            GUID registered{};
            QString library;
            if (!ReadRegistration(folder.filePath(name), &registered, &library) || !(registered == clsid))
                continue;
            if (ModuleFactory factory = LoadFactory(library))
                return factory(clsid, riid, ppv);
        }
    }
    return REGDB_E_CLASSNOTREG;
}
