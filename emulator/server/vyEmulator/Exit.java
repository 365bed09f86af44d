package vyEmulator;

/**
 * Ends a command of the emulator with a message on standard error and an
 * exit status. The statuses are those of vySecLink.Status; the emulator
 * jar stands alone, so it keeps its own copies of the few it uses.
 */
final class Exit extends Exception {
    private static final long serialVersionUID = 1L;

    static final int NO_ANSWER = 70;
    static final int BAD_ARGUMENT = 71;
    static final int UNEXPECTED_REPLY = 81;
    static final int BAD_STATE_FILE = 82;
    static final int CANNOT_LISTEN = 83;

    private final int status;

    Exit(int status, String message) {
        super(message);
        this.status = status;
    }

    int status() {
        return status;
    }
}
