package vyEmulator;

/** Where an emulator listens: "host", "host:port" or "[v6-address]:port"; the port defaults to 7530. */
record Address(String host, int port) {
    static Address parse(String text) throws Exit {
        Exit bad = new Exit(Exit.BAD_ARGUMENT, "bad server name " + text);
        String host = text;
        String portText = null;
        if (text.startsWith("[")) {
            int close = text.indexOf(']');
            if (close < 0) {
                throw bad;
            }
            host = text.substring(1, close);
            String rest = text.substring(close + 1);
            if (!rest.isEmpty()) {
                if (!rest.startsWith(":")) {
                    throw bad;
                }
                portText = rest.substring(1);
            }
        } else {
            int colon = text.indexOf(':');
            if (colon >= 0) {
                host = text.substring(0, colon);
                portText = text.substring(colon + 1);
            }
        }
        int port = Main.DEFAULT_PORT;
        if (portText != null) {
            if (!portText.matches("[0-9]{1,5}")) {
                throw bad;
            }
            port = Integer.parseInt(portText);
        }
        if (host.isEmpty() || port < 1 || port > 65535 || !host.matches("[A-Za-z0-9._:-]+")) {
            throw bad;
        }
        return new Address(host, port);
    }

    @Override
    public String toString() {
        return (host.contains(":") ? "[" + host + "]" : host) + ":" + port;
    }
}
