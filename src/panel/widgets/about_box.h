// The About box (template 100), with the licence and the driver library in
// use below it.
#pragma once

#include <QDialog>
#include <QString>

class CAboutBox : public QDialog {
    Q_OBJECT

public:
    // driverLibrary: the file of the loaded driver library; empty when none
    // is loaded.
    explicit CAboutBox(QWidget* parent = nullptr, const QString& driverLibrary = QString());

    // "Driver library: PATH", or that none is loaded.
    static QString DriverLine(const QString& driverLibrary);
    static QString LicenceLine();

private:
    // Returns where, in pixels, the space below the licence line begins.
    int AddLicenceLine();
    void AddDriverLine(const QString& driverLibrary, int below);
};
