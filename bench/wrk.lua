-- The request that wrk sends in the emulator's benchmark (scripts/bench.py),
-- taken from the environment so that one script serves every row:
--   VY_WRK_METHOD         the method (GET when unset)
--   VY_WRK_BODY           the body, sent as text/plain
--   VY_WRK_AUTHORIZATION  the Authorization header
--   VY_WRK_CLOSE          when set: "Connection: close", a new connection each request
-- At the end it prints one "vy-wrk" line that the benchmark reads.
local method = os.getenv("VY_WRK_METHOD")
if method and method ~= "" then
  wrk.method = method
end
local body = os.getenv("VY_WRK_BODY")
if body and body ~= "" then
  wrk.body = body
  wrk.headers["Content-Type"] = "text/plain; charset=utf-8"
end
local authorization = os.getenv("VY_WRK_AUTHORIZATION")
if authorization and authorization ~= "" then
  wrk.headers["Authorization"] = authorization
end
if os.getenv("VY_WRK_CLOSE") then
  wrk.headers["Connection"] = "close"
end

function done(summary, latency, requests)
  local e = summary.errors
  io.write(string.format(
    "vy-wrk requests=%d duration_us=%d p50_us=%d p99_us=%d connect=%d read=%d write=%d status=%d timeout=%d\n",
    summary.requests, summary.duration, latency:percentile(50), latency:percentile(99),
    e.connect, e.read, e.write, e.status, e.timeout))
end
