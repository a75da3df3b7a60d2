// What the Varnholt extension does, shared by its GNOME Shell 43/44 and 45+ variants: the build puts this
// text into each variant's extension.js, where Gio and Meta are in scope. It keeps nothing between calls:
// every call asks the Shell afresh. Callers reach the object at the bus name org.gnome.Shell.
const VARNHOLT_VERSION = @VH_GNOME_EXTENSION_VERSION@;
const VARNHOLT_PATH = '/org/varnholt/Shell';
const VARNHOLT_INTERFACE = `
<node>
  <interface name="org.varnholt.Shell">
    <method name="Version">
      <arg name="version" type="u" direction="out"/>
    </method>
    <method name="Front">
      <arg name="id" type="t" direction="out"/>
      <arg name="caption" type="s" direction="out"/>
      <arg name="wm_class" type="s" direction="out"/>
      <arg name="pid" type="u" direction="out"/>
      <arg name="normal" type="b" direction="out"/>
    </method>
    <method name="Windows">
      <arg name="windows" type="a(tssu)" direction="out"/>
    </method>
    <method name="Close">
      <arg name="id" type="t" direction="in"/>
      <arg name="found" type="b" direction="out"/>
    </method>
  </interface>
</node>`;

// Surfaces the user cannot switch to as an application; the program passes them over on every desktop.
const VARNHOLT_POPUP_TYPES = [
    Meta.WindowType.DESKTOP, Meta.WindowType.DOCK, Meta.WindowType.MENU, Meta.WindowType.SPLASHSCREEN,
    Meta.WindowType.DROPDOWN_MENU, Meta.WindowType.POPUP_MENU, Meta.WindowType.TOOLTIP,
    Meta.WindowType.NOTIFICATION, Meta.WindowType.COMBO, Meta.WindowType.DND, Meta.WindowType.OVERRIDE_OTHER,
];

// An application window: not a popup, not kept for another window, shown in the dash and the switcher.
function varnholtIsNormal(window) {
    return !window.is_override_redirect() && !window.is_skip_taskbar() && !window.get_transient_for() &&
        !VARNHOLT_POPUP_TYPES.includes(window.get_window_type());
}

function varnholtDescribe(window) {
    const pid = window.get_pid();
    return [window.get_id(), window.get_title() ?? '', window.get_wm_class() ?? '', pid > 0 ? pid : 0];
}

const varnholtService = {
    Version() {
        return VARNHOLT_VERSION;
    },

    Front() {
        const window = global.display.focus_window;
        if (!window)
            return [0, '', '', 0, false];
        return [...varnholtDescribe(window), varnholtIsNormal(window)];
    },

    // The application windows shown on the active workspace, topmost first.
    Windows() {
        const workspace = global.workspace_manager.get_active_workspace();
        return global.display.sort_windows_by_stacking(global.display.list_all_windows())
            .reverse()
            .filter(w => varnholtIsNormal(w) && w.showing_on_its_workspace() && w.located_on_workspace(workspace))
            .map(varnholtDescribe);
    },

    // The counterpart of WM_CLOSE: the window is asked to close and decides itself.
    Close(id) {
        const window = global.display.list_all_windows().find(w => w.get_id() === id);
        if (!window)
            return false;
        window.delete(global.get_current_time());
        return true;
    },
};

// Exports the object on the Shell's own connection; unexport() takes it away again.
function varnholtExport() {
    const exported = Gio.DBusExportedObject.wrapJSObject(VARNHOLT_INTERFACE, varnholtService);
    exported.export(Gio.DBus.session, VARNHOLT_PATH);
    return exported;
}
