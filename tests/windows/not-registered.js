// After unregistering, the ProgID creates nothing.
try {
    new ActiveXObject("Veltra.Veltra");
    WScript.Echo("criado");
} catch (e) {
    WScript.Echo("nao registrado");
}
