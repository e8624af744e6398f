-- One reminder per request from one of the 5,000 computers bound before the run; the
-- bench raises the hourly quota so that it never refuses one. Every "ok" means the mail
-- is committed to the database.
local code = "BenchCode1234567"
request = function()
  local address = math.random(1, 1000)
  local computer = math.random(1, 5)
  return wrk.format("POST", "/velmor305/tx.asp?wxid=" .. address .. "@qq.com&port=8080%u5907%u6CE8%20bench&cpid=" ..
                    computer .. "&pwd=" .. code)
end
