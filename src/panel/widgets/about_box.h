// The About box (template 100), with a line below it that names the driver
// library in use.
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

private:
    void AddDriverLine(const QString& driverLibrary);
};
