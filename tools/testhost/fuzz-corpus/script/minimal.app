screen a
end
