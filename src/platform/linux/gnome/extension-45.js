// GNOME Shell 45 and later: an ES module whose default export is the extension class.
import Gio from 'gi://Gio';
import Meta from 'gi://Meta';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

@VARNHOLT_SHELL_SERVICE@

export default class VarnholtExtension extends Extension {
    enable() {
        this._exported = varnholtExport();
    }

    disable() {
        this._exported?.unexport();
        this._exported = null;
    }
}
