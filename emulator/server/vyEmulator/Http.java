package vyEmulator;

import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.net.HttpURLConnection;
import java.net.Proxy;
import java.net.URI;
import java.nio.charset.StandardCharsets;

/**
 * One request to an emulator, for "stop" and "lanectl". HttpURLConnection
 * rather than java.net.http.HttpClient, whose set-up at start (TLS, a
 * selector thread) cost most of a second of every short run.
 */
final class Http {
    /** The HTTP status and the body of a reply. */
    record Reply(int status, String body) {
        String firstLine() {
            return body.split("\n", 2)[0];
        }
    }

    private Http() {
    }

    /** The reply, or null when nothing answers within the time-out (to connect, and again to answer). */
    static Reply send(Address address, String method, String path, int timeOutMillis) {
        HttpURLConnection c = null;
        try {
            c = (HttpURLConnection) URI.create("http://" + address + path).toURL().openConnection(Proxy.NO_PROXY);
            c.setRequestMethod(method);
            c.setConnectTimeout(timeOutMillis);
            c.setReadTimeout(timeOutMillis);
            c.setInstanceFollowRedirects(false);
            c.setUseCaches(false);
            if (!method.equals("GET")) {
                // Sent once, never again after a failure.
                c.setDoOutput(true);
                c.setFixedLengthStreamingMode(0);
                try (OutputStream out = c.getOutputStream()) {
                    out.flush();
                }
            }
            int status = c.getResponseCode();
            InputStream in = status >= 400 ? c.getErrorStream() : c.getInputStream();
            String body = "";
            if (in != null) {
                try (InputStream stream = in) {
                    body = new String(stream.readAllBytes(), StandardCharsets.UTF_8);
                }
            }
            return new Reply(status, body);
        } catch (IOException | IllegalArgumentException e) {
            return null;
        } finally {
            if (c != null) {
                c.disconnect();
            }
        }
    }
}
