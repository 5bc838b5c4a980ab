// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QAction;
class QMenu;

namespace purlo {

class PortCatalogue;

// "Port for Comm n": a submenu of the console menu that binds the Comm
// number the window shows to one of the ports present (PortBindings), or
// drops the binding ("Automatic"). It lists the ports again each time it
// opens (portChoices), marks what Comm n maps to now, and says why a port
// cannot be opened.
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

  signals:
    // Comm n was bound to `device`, or unbound (empty).
    void bindingChanged(int n, const QString& device);

  private:
    QMenu* menu_;
    std::function<int()> comm_;
    std::unique_ptr<PortCatalogue> system_;
    const PortCatalogue* catalogue_;
};

}  // namespace purlo
