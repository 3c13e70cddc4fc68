#pragma once
// The component host: loads a package's shared library by file name, runs
// its start-up and the initialisation of its units in order, keeps what the
// package registers, and on unloading runs the finalisations in reverse.
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QWidget;

// A class the host can create by name.
struct THostClass {
    QString name;
    std::function<QWidget*(QWidget* parent)> create;  // may be empty for streaming-only classes
};

struct THostRegistration {
    enum Kind { PaletteComponent, LayerComponent, ComponentElement, MatrixComponentElement, Class };
    Kind kind;
    QString className;
    QString category;  // palette page or element category; empty for a plain class
    QString package;   // the file that registered it
};

// What a package's units look like to the host's unit mechanism.
struct THostUnit {
    const char* name;
    void (*initialization)();
    void (*finalization)();
};

class THostRegistry {
public:
    static THostRegistry& Instance();
    void Add(THostRegistration::Kind kind, const THostClass& cls, const QString& category);
    std::vector<THostRegistration> Registrations() const { return registrations_; }
    // Creates a registered class by name, nullptr when unknown or not creatable.
    QWidget* Create(const QString& className, QWidget* parent = nullptr) const;
    bool Knows(const QString& className) const { return classes_.count(className) != 0; }
    void RemovePackage(const QString& package);
    // Registrations made from now on are counted against this package.
    void SetCurrentPackage(const QString& package) { current_ = package; }

private:
    std::vector<THostRegistration> registrations_;
    std::map<QString, THostClass> classes_;
    std::map<QString, QString> classPackage_;
    QString current_;
};

// The registration routines a package's Register calls.
void RegisterComponents(const QString& page, const std::vector<THostClass>& classes);
void HXRegisterLayerComponent(const THostClass& cls, const QString& category);
void HXRegisterComponentElement(const THostClass& cls, const QString& category);
void HXRegisterMatrixComponentElement(const THostClass& cls, const QString& category);
void RegisterClass(const THostClass& cls);

// The unit mechanism: a package's Initialize hands its units over, in the
// order of their dependencies; each initialisation runs once, finalisations
// run in reverse order of the initialisations that ran.
void HostStartUnits(const char* package, const THostUnit* units, int count);
void HostStopUnits(const char* package);
// The order the unit sections and package routines ran, for the host's log.
QStringList HostUnitLog();
void HostNote(const QString& entry);

class TComponentHost {
public:
    TComponentHost() = default;
    ~TComponentHost();  // unloads what is still loaded
    TComponentHost(const TComponentHost&) = delete;
    TComponentHost& operator=(const TComponentHost&) = delete;

    // Loads the library, runs Initialize and, when design is true, Register.
    // False with Error() set when the file cannot be loaded or lacks its
    // entry points; nothing stays loaded then.
    bool LoadPackage(const QString& fileName, bool design = true);
    bool UnloadPackage(const QString& fileName);
    QStringList Packages() const;
    const QString& Error() const { return error_; }

private:
    struct Loaded {
        QString file;
        void* handle;
        void (*finalize)();
    };
    std::vector<Loaded> loaded_;
    QString error_;
};
