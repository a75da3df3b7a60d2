// GNOME Shell 43 and 44: an extension script with init(), enable() and disable() that reaches GNOME's
// libraries through imports.
const {Gio, Meta} = imports.gi;

@VARNHOLT_SHELL_SERVICE@

let varnholtExported = null;

function init() {
}

function enable() {
    varnholtExported = varnholtExport();
}

function disable() {
    varnholtExported?.unexport();
    varnholtExported = null;
}
