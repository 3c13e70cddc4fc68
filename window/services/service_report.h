#pragma once
// The service report: one PDF page (or more) that a technician leaves with
// the customer. Each page supplies its own rows, the sheet puts them
// together; this only lays it out.
#include <QDateTime>
#include <functional>
#include <QImage>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>
#include "core/text/text_numbers.h"
#include "platform/files/files.h"

class QIODevice;

namespace qv::window {

namespace msg = qv::text::msg;

// The report's texts in the messages file.
enum ReportText {
    RTitle = msg::ReportTitle, RPort = msg::ReportPort, RModel = msg::ReportModel, RSoftware = msg::ReportSoftware,
    RParameters = msg::ReportParameters, RMeasurement = msg::ReportMeasurement, RNote = msg::ReportNote,
    RAction = msg::ReportAction, RSave = msg::ReportSave, RFlow = msg::ReportFlow, RVolume = msg::ReportVolume,
    RTemperature = msg::ReportTemperature, RTotal = msg::ReportTotal, RContacts = msg::ReportContacts,
    RError = msg::ReportError, RSaveTitle = msg::ReportSaveTitle,
    // Where the parameter set came from.
    RSource = msg::Source, RFromMeter = msg::FromMeter, RFromFile = msg::FromFile, RByHand = msg::ByHand,
    REditedSince = msg::EditedSince, RNoSet = msg::NoSet, RExists = msg::Exists
};
using ReportRows = std::vector<std::pair<QString, QString>>;
// A report text in the language in use ("#<number>" when the messages file has none).
using ReportTextFn = std::function<QString(int number)>;

struct ServiceReport {
    QString title;
    QDateTime when;
    // Label and value pairs, in order: port, model, software version, ...
    std::vector<std::pair<QString, QString>> head;
    QString parametersTitle;
    std::vector<std::pair<QString, QString>> parameters;  // caption, value with unit
    QString measurementTitle;
    std::vector<std::pair<QString, QString>> measurement;
    // The changes the journal holds for this meter, each with its verdict
    // (no title: no journal section).
    QString changesTitle;
    std::vector<QString> changes;
    QString noteTitle, note;
    QString footer;  // the program and its package, with their versions
    QImage curves;  // the Graph page's chart when it has plotted anything
};

// The technician's note as it may be printed: direction controls and other
// control characters out (line breaks stay, tabs become blanks).
QString cleanNote(const QString& note);
// Writes the report as PDF to path, whole, never over what is not a regular file.
qv::files::WriteResult writeServiceReport(const QString& path, const ServiceReport& report);
// Draws the report as PDF onto device; false when it could not be drawn.
bool drawServiceReport(QIODevice& device, const ServiceReport& report);

}  // namespace qv::window
