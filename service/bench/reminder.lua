-- One reminder per request, each from a different address so the hourly quota never
-- refuses one; every "ok" means the mail is committed to the database.
local code = "BenchCode1234567"
local counter = 0
setup = function(thread)
  counter = counter + 1
  thread:set("base", counter * 10000000)
end
-- "wrk ... -- N" moves the addresses by N billion, so wrk runs side by side never share one.
init = function(args)
  base = base + (tonumber(args[1]) or 0) * 1000000000
end
request = function()
  base = base + 1
  return wrk.format("POST", "/velmor305/tx.asp?wxid=" .. base .. "@qq.com&port=8080%u5907%u6CE8%20bench&cpid=1&pwd=" .. code)
end
