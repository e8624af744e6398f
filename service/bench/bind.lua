-- Walks the 5,000 computers of heartbeat.lua and reminder.lua (1,000 addresses, 5 each)
-- in turn, so that each is bound to its code before the measured runs.
local code = "BenchCode1234567"
local next = 0
request = function()
  local address = math.floor(next / 5) % 1000 + 1
  local computer = next % 5 + 1
  next = next + 1
  return wrk.format("GET", "/velmor305/checkon.asp?wxid=" .. address .. "@qq.com&cpid=" .. computer .. "&pwd=" .. code)
end
