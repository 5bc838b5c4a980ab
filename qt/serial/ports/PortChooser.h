// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QAction;
class QDialog;
class QMenu;
class QWidget;

namespace purlo {

class PortCatalogue;
struct PortChoice;

// "Port for Comm n": a submenu of the console menu that binds the Comm
// number the window shows to one of the ports present (PortBindings), or
// drops the binding ("Automatic"), or to a network port: one used lately, or
// a new one given in "Network port…" (a dialog that does not stop the
// receive loop). It lists the ports again each time it opens (portChoices,
// networkChoices), marks what Comm n maps to now, and says why a port cannot
// be opened or a server was not reached.
class PortChooser : public QObject {
    Q_OBJECT

  public:
    // Adds the submenu as the next entry of `parent`.
    explicit PortChooser(QMenu* parent);
    ~PortChooser() override;

    QMenu* menu() const { return menu_; }
    QAction* menuAction() const;

    // The Comm number the window shows; 0 counts as 1, as Start takes it.
    // Comm1 until set.
    void setCommNumber(std::function<int()> comm);
    // The ports offered; the system's until set. Must outlive the chooser.
    void setCatalogue(const PortCatalogue& catalogue);

    int commNumber() const;
    // Titles the submenu after the Comm number shown now.
    void updateTitle();
    // Lists the ports present again.
    void refresh();
    // Opens "Network port…" for the Comm number shown; returns the dialog.
    QDialog* openNetworkDialog();

  signals:
    // Comm n was bound to `device`, or unbound (empty).
    void bindingChanged(int n, const QString& device);

  private:
    void bind(int n, const std::string& binding);
    void addEntry(const PortChoice& choice, int n);

    QWidget* owner_;
    QMenu* menu_;
    std::function<int()> comm_;
    std::unique_ptr<PortCatalogue> system_;
    const PortCatalogue* catalogue_;
};

}  // namespace purlo
