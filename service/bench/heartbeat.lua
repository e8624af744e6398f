-- One heartbeat per request from one of 5,000 computers (1,000 addresses, 5 each).
local code = "BenchCode1234567"
request = function()
  local address = math.random(1, 1000)
  local computer = math.random(1, 5)
  return wrk.format("GET", "/velmor305/checkon.asp?wxid=" .. address .. "@qq.com&cpid=" .. computer .. "&pwd=" .. code)
end
