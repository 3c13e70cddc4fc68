#include "platform/waterfall/component_host.h"

#include <QFileInfo>
#include <algorithm>
#include <dlfcn.h>
#include <mutex>

namespace {
struct UnitState {
    std::map<std::string, std::vector<const THostUnit*>> started;  // in initialisation order
    QStringList log;
};
UnitState& units() {
    static UnitState s;
    return s;
}
std::mutex& unitLock() {
    static std::mutex m;
    return m;
}
}  // namespace

THostRegistry& THostRegistry::Instance() {
    static THostRegistry registry;
    return registry;
}

void THostRegistry::Add(THostRegistration::Kind kind, const THostClass& cls, const QString& category) {
    registrations_.push_back({kind, cls.name, category, current_});
    classes_[cls.name] = cls;
    classPackage_[cls.name] = current_;
}

QWidget* THostRegistry::Create(const QString& className, QWidget* parent) const {
    auto it = classes_.find(className);
    if (it == classes_.end() || !it->second.create) return nullptr;
    return it->second.create(parent);
}

void THostRegistry::RemovePackage(const QString& package) {
    registrations_.erase(std::remove_if(registrations_.begin(), registrations_.end(),
                                        [&](const THostRegistration& r) { return r.package == package; }),
                         registrations_.end());
    for (auto it = classPackage_.begin(); it != classPackage_.end();) {
        if (it->second == package) {
            classes_.erase(it->first);
            it = classPackage_.erase(it);
        } else {
            ++it;
        }
    }
}

void RegisterComponents(const QString& page, const std::vector<THostClass>& classes) {
    for (const auto& c : classes) THostRegistry::Instance().Add(THostRegistration::PaletteComponent, c, page);
}
void HXRegisterLayerComponent(const THostClass& cls, const QString& category) {
    THostRegistry::Instance().Add(THostRegistration::LayerComponent, cls, category);
}
void HXRegisterComponentElement(const THostClass& cls, const QString& category) {
    THostRegistry::Instance().Add(THostRegistration::ComponentElement, cls, category);
}
void HXRegisterMatrixComponentElement(const THostClass& cls, const QString& category) {
    THostRegistry::Instance().Add(THostRegistration::MatrixComponentElement, cls, category);
}
void RegisterClass(const THostClass& cls) { THostRegistry::Instance().Add(THostRegistration::Class, cls, QString()); }

void HostStartUnits(const char* package, const THostUnit* list, int count) {
    std::vector<const THostUnit*> toRun;
    {
        std::lock_guard<std::mutex> g(unitLock());
        auto& started = units().started[package];
        for (int i = 0; i < count; ++i) {
            const THostUnit* u = &list[i];
            bool seen = std::any_of(started.begin(), started.end(),
                                    [&](const THostUnit* s) { return std::string(s->name) == u->name; });
            if (!seen) {
                started.push_back(u);
                toRun.push_back(u);
            }
        }
    }
    for (const THostUnit* u : toRun) {
        HostNote(QStringLiteral("initialization %1").arg(QString::fromLatin1(u->name)));
        if (u->initialization) u->initialization();
    }
}

void HostStopUnits(const char* package) {
    std::vector<const THostUnit*> toRun;
    {
        std::lock_guard<std::mutex> g(unitLock());
        auto it = units().started.find(package);
        if (it == units().started.end()) return;
        toRun.assign(it->second.rbegin(), it->second.rend());
        units().started.erase(it);
    }
    for (const THostUnit* u : toRun) {
        HostNote(QStringLiteral("finalization %1").arg(QString::fromLatin1(u->name)));
        if (u->finalization) u->finalization();
    }
}

QStringList HostUnitLog() {
    std::lock_guard<std::mutex> g(unitLock());
    return units().log;
}

void HostNote(const QString& entry) {
    std::lock_guard<std::mutex> g(unitLock());
    units().log << entry;
}

TComponentHost::~TComponentHost() {
    while (!loaded_.empty()) UnloadPackage(loaded_.back().file);
}

bool TComponentHost::LoadPackage(const QString& fileName, bool design) {
    error_.clear();
    QString file = QFileInfo(fileName).absoluteFilePath();
    for (const auto& l : loaded_)
        if (l.file == file) return true;
    void* handle = dlopen(file.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error_ = QString::fromLocal8Bit(dlerror());
        return false;
    }
    auto initialize = reinterpret_cast<void (*)()>(dlsym(handle, "Initialize"));
    auto finalize = reinterpret_cast<void (*)()>(dlsym(handle, "Finalize"));
    auto reg = reinterpret_cast<void (*)()>(dlsym(handle, "Register"));
    if (!initialize || !finalize) {
        error_ = QStringLiteral("%1 has no Initialize and Finalize").arg(fileName);
        dlclose(handle);
        return false;
    }
    THostRegistry::Instance().SetCurrentPackage(file);
    initialize();
    if (design && reg) reg();
    THostRegistry::Instance().SetCurrentPackage(QString());
    loaded_.push_back({file, handle, finalize});
    return true;
}

bool TComponentHost::UnloadPackage(const QString& fileName) {
    QString file = QFileInfo(fileName).absoluteFilePath();
    auto it = std::find_if(loaded_.begin(), loaded_.end(), [&](const Loaded& l) { return l.file == file; });
    if (it == loaded_.end()) return false;
    // The registered factories point into the library: they go first.
    THostRegistry::Instance().RemovePackage(file);
    it->finalize();
    dlclose(it->handle);
    loaded_.erase(it);
    return true;
}

QStringList TComponentHost::Packages() const {
    QStringList out;
    for (const auto& l : loaded_) out << l.file;
    return out;
}
