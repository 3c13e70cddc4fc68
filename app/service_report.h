#pragma once
// The service report: one PDF page (or more) that a technician leaves with
// the customer. The sheet gathers what it shows; this only lays it out.
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace qv::app {

struct ServiceReport {
    QString title;
    QDateTime when;
    // Label and value pairs, in order: port, model, software version, ...
    std::vector<std::pair<QString, QString>> head;
    QString parametersTitle;
    std::vector<std::pair<QString, QString>> parameters;  // caption, value with unit
    QString measurementTitle;
    std::vector<std::pair<QString, QString>> measurement;
    QString noteTitle, note;
    QImage curves;  // the Graph page's chart when it has plotted anything
};

// Writes the report as PDF to path; false when the file could not be written.
bool writeServiceReport(const QString& path, const ServiceReport& report);

}  // namespace qv::app
