#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GVariant GVariant;

class NSMenu;
class NSMenuItem;

// Shows an NSMenu to a desktop's panel over the dbusmenu protocol
// (com.canonical.dbusmenu). The panel draws the menu; this object answers its
// questions from the model and turns its events into the model's: AboutToShow
// or "opened" opens the menu (the delegate rebuilds it and the run loop enters
// event tracking), "closed" closes it, "clicked" chooses the item on the main
// thread once the panel has its answer.
//
// Panels keep a copy of the layout and size the menu from it before they ask
// for the new one, so every change of the layout, shown or not, is announced
// at once (LayoutUpdated with a new revision); a rebuild that leaves it as it
// was keeps the revision, and the panel its copy.
class DBusMenuExporter {
public:
    DBusMenuExporter(GDBusConnection* connection, std::string objectPath);
    ~DBusMenuExporter();
    DBusMenuExporter(const DBusMenuExporter&) = delete;
    DBusMenuExporter& operator=(const DBusMenuExporter&) = delete;

    const std::string& objectPath() const { return m_path; }
    void setMenu(const std::shared_ptr<NSMenu>& menu);

    // The model changed, shown or not: the panel hears of it if the layout did.
    void menuChanged();
    void menuClosed();

    // From the bus, on the main thread.
    void call(const std::string& method, GVariant* parameters, GDBusMethodInvocation* invocation);

private:
    // The interface's methods, one each, which call() finds in a table.
    void getLayout(GVariant* parameters, GDBusMethodInvocation* invocation);
    void getGroupProperties(GVariant* parameters, GDBusMethodInvocation* invocation);
    void getProperty(GVariant* parameters, GDBusMethodInvocation* invocation);
    void event(GVariant* parameters, GDBusMethodInvocation* invocation);
    void eventGroup(GVariant* parameters, GDBusMethodInvocation* invocation);
    void aboutToShow(GVariant* parameters, GDBusMethodInvocation* invocation);
    void aboutToShowGroup(GVariant* parameters, GDBusMethodInvocation* invocation);

    // Each item keeps one id for as long as it lives; 0 is the menu itself. A
    // rebuild makes new items: one that looks like a gone one takes its id,
    // so the panel sees an unchanged menu as unchanged (and keeps its size).
    int idOf(const std::shared_ptr<NSMenuItem>& item);
    std::shared_ptr<NSMenuItem> itemWith(int id) const;
    GVariant* layout(int id, int depth, const std::vector<std::string>& names);
    GVariant* properties(int id, const std::vector<std::string>& names);
    // Opens the menu before the panel shows it; true when its layout changed.
    bool openForShowing(int id, const char* sender);
    // False for an id the menu does not know.
    bool takeEvent(int id, const std::string& name, const char* sender);
    void watchHost(const char* sender);
    void scheduleLayoutUpdate();
    // A new revision when the layout differs from the one last seen.
    void updateRevision();

    GDBusConnection* m_connection = nullptr;
    std::string m_path;
    unsigned m_registration = 0;
    std::weak_ptr<NSMenu> m_menu;
    unsigned m_revision = 1;
    unsigned m_announced = 1;
    // The whole layout as last seen, printed.
    std::string m_layout;
    int m_nextId = 1;
    struct Entry {
        std::weak_ptr<NSMenuItem> item;
        int id = 0;
        std::string title;
        bool separator = false;
    };
    std::vector<Entry> m_ids;
    // Lets work queued for later find out that this exporter is gone.
    std::shared_ptr<DBusMenuExporter*> m_self = std::make_shared<DBusMenuExporter*>(this);
    bool m_updateScheduled = false;
    // A panel that asked for the menu without saying it opened it, within a
    // moment, will not say when it closes it either.
    bool m_awaitingOpened = false;
    unsigned m_hostWatch = 0;
    std::string m_host;
};
