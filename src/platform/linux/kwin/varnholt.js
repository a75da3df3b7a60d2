// Run by KWin for one request of Varnholt's sampler; `request` is set in front of this text:
//   { service, action: "report" | "close" | "exists", target }
// It answers by calling the service back on the session bus (KWin scripts cannot return values).
// Works with the KWin 5 (clients) and KWin 6 (windows) scripting API.
(function (ws, request, call) {
    var path = "/Varnholt";
    var iface = "org.varnholt.KWinReport";

    function windows() {
        if (typeof ws.windowList === "function")
            return ws.windowList();
        if (typeof ws.clientList === "function")
            return ws.clientList();
        return [];
    }

    function active() {
        if (ws.activeWindow !== undefined)
            return ws.activeWindow;
        return ws.activeClient;
    }

    function idOf(w) {
        return String(w.internalId);
    }

    // What Windows would call an application window: a normal window the user can switch to, not a dialog
    // kept for another window, a menu, tooltip, notification or panel.
    function isApplicationWindow(w) {
        if (!w.normalWindow)
            return false;
        if (w.transient && w.transientFor)
            return false;
        if (w.popupWindow || w.specialWindow)
            return false;
        return true;
    }

    function find(id) {
        var list = windows();
        for (var i = 0; i < list.length; ++i) {
            if (idOf(list[i]) === id)
                return list[i];
        }
        return null;
    }

    function shown(w) {
        if (w.minimized || w.hidden || w.deleted)
            return false;
        if (w.onAllDesktops || ws.currentDesktop === undefined)
            return true;
        if (Array.isArray(w.desktops)) // KWin 6: desktop objects
            return w.desktops.length === 0 || w.desktops.indexOf(ws.currentDesktop) >= 0;
        return w.desktop === undefined || w.desktop === -1 || w.desktop === ws.currentDesktop;
    }

    // The active window is the one in front; when it is none or no application window (a menu, our own
    // notice), the topmost shown application window below it is, as in a stacking order.
    function front() {
        var w = active();
        if (w && isApplicationWindow(w))
            return w;
        var stack = ws.stackingOrder || [];
        for (var i = stack.length - 1; i >= 0; --i) {
            if (stack[i] && stack[i] !== w && isApplicationWindow(stack[i]) && shown(stack[i]))
                return stack[i];
        }
        return w;
    }

    if (request.action === "report") {
        var w = front();
        if (!w) {
            call(request.service, path, iface, "Report", "", "", 0, false);
            return;
        }
        var caption = w.caption === undefined || w.caption === null ? "" : String(w.caption);
        var pid = Number(w.pid) > 0 ? Number(w.pid) : 0;
        call(request.service, path, iface, "Report", idOf(w), caption, pid, isApplicationWindow(w));
    } else if (request.action === "close") {
        var target = find(request.target);
        if (target)
            target.closeWindow();
        call(request.service, path, iface, "Done", target !== null);
    } else if (request.action === "exists") {
        call(request.service, path, iface, "Done", find(request.target) !== null);
    }
})(workspace, request, callDBus);
