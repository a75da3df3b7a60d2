// The tests' hand on the desktop: GNOME Shell lets no ordinary client raise another program's window.
const {Gio} = imports.gi;
const Main = imports.ui.main;

const INTERFACE = `
<node>
  <interface name="org.varnholt.ShellTest">
    <method name="Activate">
      <arg name="title" type="s" direction="in"/>
      <arg name="found" type="b" direction="out"/>
    </method>
    <method name="FocusTitle">
      <arg name="title" type="s" direction="out"/>
    </method>
    <method name="Minimized">
      <arg name="title" type="s" direction="in"/>
      <arg name="minimized" type="b" direction="out"/>
    </method>
  </interface>
</node>`;

let exported = null;

function find(title) {
    return global.display.list_all_windows().find(w => w.get_title() === title);
}

function init() {
}

function enable() {
    exported = Gio.DBusExportedObject.wrapJSObject(INTERFACE, {
        Activate(title) {
            const window = find(title);
            if (!window)
                return false;
            Main.overview.hide();
            Main.activateWindow(window);
            return true;
        },
        FocusTitle() {
            return global.display.focus_window?.get_title() ?? '';
        },
        Minimized(title) {
            return find(title)?.minimized ?? false;
        },
    });
    exported.export(Gio.DBus.session, '/org/varnholt/ShellTest');
}

function disable() {
    exported?.unexport();
    exported = null;
}
